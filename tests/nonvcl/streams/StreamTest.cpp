#include "Stream.h"

#include <gtest/gtest.h>

#include <string>

#include "ExceptionLite.h"

namespace skylaunch {
namespace {

using namespace std::string_literals;

std::string ReadRest(TStream& stream) {
  std::string rest;
  char piece[3];  // smaller than the texts, so that reads end in the middle
  while (const size_t n = stream.Read(piece, sizeof piece)) rest.append(piece, n);
  return rest;
}

// Takes `limit` bytes at most, as a full disk does.
class TLimitedStream : public TMemoryStream {
 public:
  explicit TLimitedStream(size_t limit) : fLimit(limit) {}
  size_t Write(const void* data, size_t count) override {
    const size_t room = Size() < fLimit ? fLimit - Size() : 0;
    return TMemoryStream::Write(data, count < room ? count : room);
  }

 private:
  size_t fLimit;
};

TEST(MemoryStream, WritesReplaceOrExtendAtThePositionAndReadsFollowIt) {
  TMemoryStream stream;
  EXPECT_EQ(stream.Write("hello", 5), 5u);
  EXPECT_EQ(stream.Position(), 5u);
  stream.SetPosition(1);
  EXPECT_EQ(stream.Write("EY", 2), 2u);
  EXPECT_EQ(stream.Position(), 3u);
  stream.SetPosition(4);
  stream.Write(" world", 6);
  EXPECT_EQ(stream.Bytes(), "hEYl world");
  EXPECT_EQ(stream.Size(), 10u);
  EXPECT_EQ(ReadRest(stream), "");
  stream.SetPosition(2);
  EXPECT_EQ(ReadRest(stream), "Yl world");
  EXPECT_EQ(stream.Position(), 10u);
  EXPECT_EQ(stream.Write("", 0), 0u);
  EXPECT_EQ(stream.Size(), 10u);
}

TEST(MemoryStream, BeyondTheEndReadsNothingAndAWriteFillsTheGapWithZeros) {
  TMemoryStream stream("ab"s);
  EXPECT_EQ(stream.Position(), 0u);
  stream.SetPosition(5);
  char c = 'x';
  EXPECT_EQ(stream.Read(&c, 1), 0u);
  EXPECT_EQ(stream.Size(), 2u);
  stream.Write("c", 1);
  EXPECT_EQ(stream.Bytes(), "ab\0\0\0c"s);
  EXPECT_THROW(stream.SetPosition(UINT64_MAX), ExceptionLite);
}

TEST(MemoryStream, TakeBytesAndClearLeaveItEmptyAtTheStart) {
  TMemoryStream stream("secret"s);
  stream.SetPosition(3);
  EXPECT_EQ(stream.TakeBytes(), "secret");
  EXPECT_EQ(stream.Size(), 0u);
  EXPECT_EQ(stream.Position(), 0u);
  stream.Write("more", 4);
  stream.Clear();
  EXPECT_EQ(stream.Bytes(), "");
  EXPECT_EQ(stream.Position(), 0u);
}

TEST(Stream, CopyFromTakesTheSourceFromItsPositionAndStopsWhereTheTargetIsFull) {
  const std::string text(10000, 'q');
  TMemoryStream source(text + "tail");
  source.SetPosition(10);
  TMemoryStream target("<"s);
  target.SetPosition(1);
  EXPECT_EQ(target.CopyFrom(source), text.size() + 4 - 10);
  EXPECT_EQ(target.Bytes(), "<" + text.substr(10) + "tail");
  EXPECT_EQ(target.CopyFrom(source), 0u);  // the source is at its end

  source.SetPosition(0);
  TLimitedStream full(5000);
  EXPECT_EQ(full.CopyFrom(source), 5000u);
  EXPECT_EQ(source.Position(), 5000u);  // at the first byte not taken
}

}  // namespace
}  // namespace skylaunch

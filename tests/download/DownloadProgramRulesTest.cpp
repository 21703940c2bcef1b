// The workflow's platform-free text rules: header look-up in a raw block, the status line, the
// https upgrade, trimming, the version file's bytes and the completeness of a body.
#include <gtest/gtest.h>

#include <string>

#include "DownloadProgramRules.h"

namespace {

using namespace skylaunch;
using namespace std::literals;

constexpr char16_t kBlock[] =
    u"HTTP/1.1 200 OK\r\n"
    u"Content-Type: application/octet-stream\r\n"
    u"Last-Modified: Tue, 05 Mar 2024 18:00:00 GMT\r\n"
    u"Content-Length: 10000\r\n"
    u"X-Second-Content-Length: 5\r\n"
    u"NoColonHere\r\n"
    u"\r\n";

struct THeaderCase {
  const char* Why;
  std::u16string Block;
  std::u16string Name;
  std::u16string Expected;
};

TEST(DownloadProgramRulesTest, FindHeaderValueTakesTheFirstMatchingLineAfterItsColon) {
  const THeaderCase cases[] = {
      {"value keeps its leading blank", kBlock, u"LAST-MODIFIED", u" Tue, 05 Mar 2024 18:00:00 GMT"},
      {"only the first colon splits", u"Last-Modified: a:b\r\n", u"LAST-MODIFIED", u" a:b"},
      {"first line containing the name wins", kBlock, u"CONTENT-LENGTH", u" 10000"},
      {"the name may stand anywhere in the line", kBlock, u"SECOND-CONTENT", u" 5"},
      {"a line without colon gives the whole line", kBlock, u"NOCOLON", u"NoColonHere"},
      {"the status line takes part", kBlock, u"200 OK", u"HTTP/1.1 200 OK"},
      {"absent header", kBlock, u"ETAG", u""},
      {"empty block", u"", u"CONTENT-LENGTH", u""},
      {"last line without CR LF", u"HTTP/1.1 200 OK\r\nLast-Modified:x", u"LAST-MODIFIED", u"x"},
      {"lower-case header names match", u"content-length:12\r\n", u"CONTENT-LENGTH", u"12"},
      {"trailing blanks are kept", u"Last-Modified: a \r\n", u"LAST-MODIFIED", u" a "},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Expected, FindHeaderValue(c.Block, c.Name)) << c.Why;
}

TEST(DownloadProgramRulesTest, ExtractLineCutsAtTheFirstCrLfOrTakesTheRest) {
  std::u16string_view block = u"one\r\ntwo\rstill two\r\n\r\nlast";
  EXPECT_EQ(u"one", ExtractLine(block));
  EXPECT_EQ(u"two\rstill two", ExtractLine(block));
  EXPECT_EQ(u"", ExtractLine(block));
  EXPECT_EQ(u"last", ExtractLine(block));
  EXPECT_TRUE(block.empty());
}

TEST(DownloadProgramRulesTest, StatusLineSplitsAtItsFirstTwoBlanks) {
  struct TCase {
    std::u16string Block;
    bool Split;
    std::u16string Code, Reason;
  } const cases[] = {
      {u"HTTP/1.1 200 OK\r\nA: b\r\n", true, u"200", u"OK"},
      {u"HTTP/1.1 404 Not Found\r\n", true, u"404", u"Not Found"},
      {u"HTTP/1.1 500 \r\n", true, u"500", u""},
      // An error without a reason phrase must not keep the previous response's code.
      {u"HTTP/1.1 404\r\n", true, u"404", u""},
      // Without any blank the previous values stay.
      {u"garbage\r\n", false, u"old", u"previous"},
      {u"", false, u"old", u"previous"},
  };
  for (const auto& c : cases) {
    std::u16string code = u"old", reason = u"previous";
    EXPECT_EQ(c.Split, SplitStatusLine(c.Block, code, reason));
    EXPECT_EQ(c.Code, code);
    EXPECT_EQ(c.Reason, reason);
  }
}

TEST(DownloadProgramRulesTest, OnlyTheFirstPlainSchemeBecomesHttpsInAnyLetterCase) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"http://h/f", u"https://h/f"},
      {u"HTTP://h/f", u"https://h/f"},
      {u"HtTp://h/f?next=http://x", u"https://h/f?next=http://x"},
      {u"https://h/f", u"https://h/f"},
      {u"https://h/f?next=http://x", u"https://h/f?next=https://x"},  // wherever it stands
      {u"ftp://h/f", u"ftp://h/f"},
      {u"", u""},
      {u"http:/h", u"http:/h"},
  };
  for (const auto& [url, expected] : cases) EXPECT_EQ(expected, ForceHttpsScheme(url));
}

TEST(DownloadProgramRulesTest, TrimRemovesBlanksAndControlCharactersAtBothEndsOnly) {
  EXPECT_EQ(u"{\"a\" :\t1}", TrimBlanksAndControls(u"\0\r\n\t {\"a\" :\t1} \x01\x1f\0"sv));
  EXPECT_EQ(u"", TrimBlanksAndControls(u" \r\n\t"));
  EXPECT_EQ(u"\u00a0x\u00a0", TrimBlanksAndControls(u"\u00a0x\u00a0"));  // not a control character
}

TEST(DownloadProgramRulesTest, VersionTextIsUtf16LeWithoutMarkOrTerminator) {
  EXPECT_EQ(std::string(" \0T\0\xe9\0\x3b\x26", 8), EncodeVersionText(u" T\u00e9\u263b"));
  EXPECT_EQ(u"", DecodeVersionText(""));
  EXPECT_TRUE(EncodeVersionText(u"").empty());
  const std::u16string text = u" Tue, 05 Mar 2024 18:00:00 GMT";
  EXPECT_EQ(text.size() * 2, EncodeVersionText(text).size());
  EXPECT_EQ(text, DecodeVersionText(EncodeVersionText(text)));
  EXPECT_EQ(u"A", DecodeVersionText(std::string("A\0B", 3)));  // an odd last byte is no character
}

TEST(DownloadProgramRulesTest, BodyIsCompleteOnlyAtItsAnnouncedLength) {
  EXPECT_TRUE(BodyIsComplete(-1, 0));
  EXPECT_TRUE(BodyIsComplete(-1, 123456));
  EXPECT_TRUE(BodyIsComplete(10000, 10000));
  EXPECT_TRUE(BodyIsComplete(0, 0));
  EXPECT_FALSE(BodyIsComplete(10000, 9999));
  EXPECT_FALSE(BodyIsComplete(10000, 10001));
  EXPECT_FALSE(BodyIsComplete(0, 1));
  // A length beyond 2^31 was parsed with wrap-around; the count wraps the same way.
  EXPECT_TRUE(BodyIsComplete(static_cast<int32_t>(3000000000u), 3000000000u));
}

}  // namespace

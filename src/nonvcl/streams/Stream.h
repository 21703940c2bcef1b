#pragma once
// TStream: bytes with a position, which the HTTP client writes a response body into and takes a
// request body from; TMemoryStream keeps them in a growable buffer. Platform-free. (The file
// stream on a Windows handle is in FileStream.h.)
//
// The program's own small stream rather than the standard library's: the standard streams bring
// the whole locale and formatting machinery into the program, several times its own size.
#include <cstddef>
#include <cstdint>
#include <string>

namespace skylaunch {

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Reads up to `count` bytes from the position into `buffer` and moves past them. Returns the
  // number read: fewer than asked only at the end of the stream, 0 from there on.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes `count` bytes at the position, replacing or extending what is there, and moves past
  // them. Returns the number written: fewer than asked when the stream cannot take more.
  virtual size_t Write(const void* data, size_t count) = 0;
  virtual uint64_t Size() const = 0;
  virtual uint64_t Position() const = 0;
  // May lie beyond the end: reading there gives nothing, and writing first fills the gap with
  // zero bytes.
  virtual void SetPosition(uint64_t position) = 0;

  // Copies `source` from its position to its end to this stream's position; both positions move
  // past the bytes. Returns the number copied, which is short when this stream could not take
  // them all.
  uint64_t CopyFrom(TStream& source);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  // Holds `bytes`, the position at their start.
  explicit TMemoryStream(std::string bytes) : fBytes(std::move(bytes)) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* data, size_t count) override;
  uint64_t Size() const override { return fBytes.size(); }
  uint64_t Position() const override { return fPosition; }
  void SetPosition(uint64_t position) override;

  // Everything the stream holds, wherever its position stands.
  const std::string& Bytes() const { return fBytes; }
  // Hands the bytes over without a copy (so that a secret among them exists only once) and
  // leaves the stream empty, its position at 0.
  std::string TakeBytes();
  // Empties the stream; the position goes back to 0.
  void Clear();

 private:
  std::string fBytes;
  size_t fPosition{0};
};

}  // namespace skylaunch

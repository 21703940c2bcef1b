#include "Stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "ExceptionLite.h"

namespace skylaunch {

uint64_t TStream::CopyFrom(TStream& source) {
  char piece[4096];
  uint64_t copied = 0;
  for (;;) {
    const size_t read = source.Read(piece, sizeof piece);
    if (read == 0) return copied;
    const size_t written = Write(piece, read);
    copied += written;
    if (written < read) {
      // The source stays at the first byte that was not taken.
      source.SetPosition(source.Position() - (read - written));
      return copied;
    }
  }
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (fPosition >= fBytes.size()) return 0;
  const size_t available = std::min(count, fBytes.size() - fPosition);
  std::memcpy(buffer, fBytes.data() + fPosition, available);
  fPosition += available;
  return available;
}

size_t TMemoryStream::Write(const void* data, size_t count) {
  if (count == 0) return 0;
  if (fPosition > fBytes.size()) fBytes.resize(fPosition, '\0');
  const size_t overwritten = std::min(count, fBytes.size() - fPosition);
  fBytes.replace(fPosition, overwritten, static_cast<const char*>(data), count);
  fPosition += count;
  return count;
}

void TMemoryStream::SetPosition(uint64_t position) {
  // A position the address space cannot hold could never be written at.
  if (position > std::numeric_limits<size_t>::max() / 2)
    throw ExceptionLite(u"The memory stream cannot be positioned that far.");
  fPosition = static_cast<size_t>(position);
}

std::string TMemoryStream::TakeBytes() {
  fPosition = 0;
  return std::exchange(fBytes, std::string());
}

void TMemoryStream::Clear() {
  fBytes.clear();
  fPosition = 0;
}

}  // namespace skylaunch

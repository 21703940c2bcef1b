#include "FileStream.h"

#include <windows.h>

#include <algorithm>

#include "ExceptionLite.h"
#include "SystemError.h"
#include "WinText.h"

namespace skylaunch {
namespace {

// The most that one ReadFile or WriteFile moves.
constexpr size_t kMaxPiece = 1u << 30;

}  // namespace

TFileStream::TFileStream(const std::u16string& fileName)
    : fFile(CreateFileW(as_wcstr(fileName), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
  if (!fFile) {
    throw ExceptionLite(u"Unable to create file " + fileName + u": " + SystemErrorText(GetLastError()) +
                        u".");
  }
}

size_t TFileStream::Read(void* buffer, size_t count) {
  size_t total = 0;
  while (total < count) {
    DWORD read = 0;
    const DWORD piece = static_cast<DWORD>(std::min(count - total, kMaxPiece));
    if (!ReadFile(fFile.Get(), static_cast<char*>(buffer) + total, piece, &read, nullptr) || read == 0) break;
    total += read;
  }
  return total;
}

size_t TFileStream::Write(const void* data, size_t count) {
  size_t total = 0;
  while (total < count) {
    DWORD written = 0;
    const DWORD piece = static_cast<DWORD>(std::min(count - total, kMaxPiece));
    if (!WriteFile(fFile.Get(), static_cast<const char*>(data) + total, piece, &written, nullptr) ||
        written == 0)
      break;
    total += written;
  }
  return total;
}

uint64_t TFileStream::Size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(fFile.Get(), &size)) RaiseLastSystemError();
  return static_cast<uint64_t>(size.QuadPart);
}

uint64_t TFileStream::Position() const {
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(fFile.Get(), LARGE_INTEGER{}, &position, FILE_CURRENT)) RaiseLastSystemError();
  return static_cast<uint64_t>(position.QuadPart);
}

void TFileStream::SetPosition(uint64_t position) {
  LARGE_INTEGER target{};
  target.QuadPart = static_cast<LONGLONG>(position);
  if (!SetFilePointerEx(fFile.Get(), target, nullptr, FILE_BEGIN)) RaiseLastSystemError();
}

}  // namespace skylaunch

// The Windows part of the manifest: reading and writing manifest files and decoding the ANSI
// code page.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>

#include "ExceptionLite.h"
#include "Handles.h"
#include "Utf.h"
#include "WinText.h"
#include "ZaltoManifestBinding.h"

namespace skylaunch {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;

std::string ReadAllBytes(const std::u16string& fileName) {
  // Others may go on reading and writing the file meanwhile.
  TFileHandle file(CreateFileW(as_wcstr(fileName), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw ExceptionLite(u"Unable to open " + fileName);
  std::string bytes;
  for (;;) {
    const size_t used = bytes.size();
    bytes.resize(used + kReadChunk);
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data() + used, kReadChunk, &read, nullptr)) {
      throw ExceptionLite(u"Unable to read " + fileName);
    }
    bytes.resize(used + read);
    if (read == 0) return bytes;
  }
}

std::u16string FromAnsiCodePage(const std::string& bytes, const std::u16string& fileName) {
  if (bytes.empty()) return {};
  if (bytes.size() > INT_MAX) throw ExceptionLite(u"Unable to read " + fileName);
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  std::u16string text(size_t(length), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), as_wstr(text.data()), length);
  return text;
}

// WriteToFile writes UTF-8, so a file whose bytes are valid UTF-8 is read as UTF-8; anything
// else is taken to be in the ANSI code page. ASCII reads the same either way.
std::u16string DecodeManifestBytes(const std::string& bytes, const std::u16string& fileName) {
  return IsValidUtf8(bytes) ? FromUtf8(bytes) : FromAnsiCodePage(bytes, fileName);
}

void WriteAllBytes(const std::u16string& fileName, const std::string& bytes) {
  TFileHandle file(CreateFileW(as_wcstr(fileName), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw ExceptionLite(u"Unable to create " + fileName);
  for (size_t done = 0; done < bytes.size();) {
    const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      throw ExceptionLite(u"Unable to write to " + fileName);
    }
    done += written;
  }
}

}  // namespace

std::unique_ptr<TZaltoManifest> TZaltoManifest::CreateObjectFromFile(const std::u16string& fileName) {
  return CreateObjectFromString(DecodeManifestBytes(ReadAllBytes(fileName), fileName));
}

void TZaltoManifest::WriteToFile(const std::u16string& fileName) const {
  WriteAllBytes(fileName, ToUtf8(GetAsJson()));
}

}  // namespace skylaunch

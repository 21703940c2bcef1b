#include "PlatformHttp.h"

#include <cwchar>
#include <string>
#include <vector>

#include "Utf.h"
#include "WinText.h"

namespace skylaunch {
namespace {

std::u16string Decimal(DWORD value) { return FromUtf8(std::to_string(value)); }

// The text in `buffer` up to its terminating zero, never beyond the buffer.
std::u16string TextUpToZero(const std::vector<wchar_t>& buffer) {
  return std::u16string(as_u16cstr(buffer.data()), wcsnlen(buffer.data(), buffer.size()));
}

}  // namespace

URL_COMPONENTSW UrlPartsInPlace() {
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = 1;
  parts.dwHostNameLength = 1;
  parts.dwUserNameLength = 1;
  parts.dwPasswordLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  return parts;
}

std::optional<std::u16string> QueryRawHeaders(HINTERNET request, THttpQueryInfoW query,
                                              const std::function<void(TRawHeaderCall)>& beforeCall) {
  if (query == nullptr) query = WinInet().HttpQueryInfoW;
  std::vector<wchar_t> buffer;
  for (TRawHeaderCall call = TRawHeaderCall::RequestBuffer;; call = TRawHeaderCall::Retrieve) {
    if (beforeCall) beforeCall(call);
    const DWORD capacity = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    DWORD length = capacity;  // in bytes, as HttpQueryInfoW counts it
    if (query(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.empty() ? nullptr : buffer.data(), &length,
              nullptr)) {
      break;
    }
    const DWORD error = GetLastError();
    // Only a request for a larger buffer is worth another call; anything else is the answer.
    if (error != ERROR_INSUFFICIENT_BUFFER || length <= capacity) {
      SetLastError(error);
      return std::nullopt;
    }
    // One character more than asked for, so the text ends in a zero even when the platform's
    // size leaves the terminator out.
    buffer.assign((length + 1) / sizeof(wchar_t) + 1, L'\0');
  }
  return buffer.empty() ? std::u16string() : TextUpToZero(buffer);
}

std::u16string InternetErrorText(DWORD code) {
  // Without FORMAT_MESSAGE_IGNORE_INSERTS a text with inserts ("%1") would be expanded from an
  // argument list that does not exist.
  DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const HMODULE wininet = GetModuleHandleW(L"wininet.dll");
  if (wininet != nullptr) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  std::vector<wchar_t> buffer(kErrorTextCapacity, L'\0');
  const DWORD written = FormatMessageW(flags, wininet, code, 0, buffer.data(), kErrorTextCapacity, nullptr);
  buffer.resize(written);
  std::u16string text = TextUpToZero(buffer);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n')) text.pop_back();
  return text.empty() ? u"Unknown error " + Decimal(code) : text;
}

std::u16string InternetFailureText(DWORD code) {
  return u"error " + Decimal(code) + u" (" + InternetErrorText(code) + u")";
}

}  // namespace skylaunch

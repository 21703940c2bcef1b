// The connection steps of the workflow: splitting an address, the WinInet handles of one
// exchange, sending a request and reading its status and headers.
#include "DownloadProgram.h"
#include "DownloadProgramRules.h"
#include "ExceptionLite.h"
#include "PlatformHttp.h"
#include "TextUtils.h"
#include "WinText.h"

namespace skylaunch {
namespace {

constexpr char16_t kCommunicationError[] =
    u"The program received a communication error.  Please check your internet connection.\r\n\r\nError: ";

// Keeps the platform's last error across clean-up calls that may change it.
class TPreservedLastError {
 public:
  TPreservedLastError() : fError(GetLastError()) {}
  TPreservedLastError(const TPreservedLastError&) = delete;
  TPreservedLastError& operator=(const TPreservedLastError&) = delete;
  ~TPreservedLastError() { SetLastError(fError); }

 private:
  DWORD fError;
};

}  // namespace

void TDownloadProgram::RaiseInternetError(DWORD code) {
  fExchangeLog.Fail(InternetFailureText(code));
  throw ExceptionLite(kCommunicationError + InternetErrorText(code) + u".");
}

void TDownloadProgram::ParseDownloadURL(const std::u16string& url) {
  fHost.clear();
  fPath.clear();
  URL_COMPONENTSW parts = UrlPartsInPlace();
  if (!WinInet().InternetCrackUrlW(as_wcstr(url), 0, 0, &parts) || parts.dwHostNameLength == 0 ||
      parts.dwSchemeLength == 0) {
    throw ExceptionLite(u"Invalid URL " + url);
  }
  const std::u16string scheme(as_u16cstr(parts.lpszScheme), parts.dwSchemeLength);
  fSSLConnect = SameTextAscii(scheme, u"HTTPS");
  fHost.assign(as_u16cstr(parts.lpszHostName), parts.dwHostNameLength);
  fPort = parts.nPort;
  // The path with the query and everything after it, as the request's object.
  if (parts.lpszUrlPath != nullptr) fPath = url.substr(as_u16cstr(parts.lpszUrlPath) - url.c_str());
}

bool TDownloadProgram::OpenConnection() {
  if (!Keep(fInetHandle, WinInet().InternetOpenW(as_wcstr(kBrowserAgent), INTERNET_OPEN_TYPE_PRECONFIG, L"",
                                                 nullptr, 0))) {
    return false;
  }
  if (Keep(fSessionHandle, WinInet().InternetConnectW(Current(fInetHandle), as_wcstr(fHost),
                                                      static_cast<INTERNET_PORT>(fPort), nullptr, nullptr,
                                                      INTERNET_SERVICE_HTTP, 0, 0))) {
    return true;
  }
  TPreservedLastError keep;
  CloseHandles();
  return false;
}

bool TDownloadProgram::OpenRequest() {
  DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE;
  if (fSSLConnect) flags |= INTERNET_FLAG_SECURE;
  if (Keep(fRequestHandle, WinInet().HttpOpenRequestW(Current(fSessionHandle), L"GET", as_wcstr(fPath),
                                                      nullptr, L"", nullptr, flags, fContext))) {
    return true;
  }
  TPreservedLastError keep;
  CloseHandles();
  return false;
}

bool TDownloadProgram::Keep(TInternetHandle& owner, HINTERNET handle) {
  const TLocked locked(fHandlesLock);
  if (handle != nullptr && fStopRequested) {
    WinInet().InternetCloseHandle(handle);
    SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
    return false;
  }
  owner.Reset(handle);
  return handle != nullptr;
}

HINTERNET TDownloadProgram::Current(const TInternetHandle& owner) const {
  const TLocked locked(fHandlesLock);
  return owner.Get();
}

void TDownloadProgram::CloseHandles() {
  const TLocked locked(fHandlesLock);
  CloseHandlesLocked();
}

void TDownloadProgram::CloseHandlesLocked() {
  fRequestHandle.Reset();
  fSessionHandle.Reset();
  fInetHandle.Reset();
}

void TDownloadProgram::RaiseLastInternetError() {
  const DWORD code = GetLastError();
  if (code != 0) RaiseInternetError(code);
}

void TDownloadProgram::SendRequestWithHeaders(const std::u16string& headers) {
  SetStatusText(u"Contacting download center...");
  // Nothing is sent after a stop.
  if (Abort()) return;
  if (!Send(headers)) {
    RaiseLastInternetError();
    return;
  }
  if (Abort()) return;
  ReadStatusAndHeaders();
  if (fErrorCodeStr != u"200") RaiseUnavailable();
}

void TDownloadProgram::RaiseUnavailable() {
  throw ExceptionLite(u"The download center is currently unavailable. Please try again later.");
}

bool TDownloadProgram::Send(const std::u16string& headers) {
  // The header lines are not logged: the catalog's carry the bearer token.
  fExchangeLog.Begin(u"GET",
                     (fSSLConnect ? u"https://" : u"http://") + fHost + u":" + DecimalText(fPort) + fPath);
  return WinInet().HttpSendRequestW(Current(fRequestHandle), headers.empty() ? nullptr : as_wcstr(headers),
                                    static_cast<DWORD>(headers.size()), nullptr, 0);
}

std::u16string TDownloadProgram::ReadStatusAndHeaders() {
  std::u16string block = QueryRawHeaders(Current(fRequestHandle)).value_or(std::u16string());
  // A status line without any blank leaves the code and reason of the previous response.
  SplitStatusLine(block, fErrorCodeStr, fErrorMessage);
  fExchangeLog.SetStatus(ParseIntDef(fErrorCodeStr, 0));
  fDownloadSize = -1;
  fLastModified.clear();
  if (block.empty()) return block;
  fDownloadSize = ParseIntDef(FindHeaderValue(block, u"CONTENT-LENGTH"), -1);
  fLastModified = FindHeaderValue(block, u"LAST-MODIFIED");
  return block;
}

}  // namespace skylaunch

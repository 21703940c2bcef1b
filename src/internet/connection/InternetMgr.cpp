#include "InternetMgr.h"

#include <wininet.h>

#include <optional>
#include <string>

#include "PlatformHttp.h"
#include "RunLog.h"
#include "WinInetHandles.h"
#include "WinText.h"

namespace skylaunch {
namespace {

// Its entry points are named in full: inside this class WinInet() is TConnectionPlatform's.
class TWinInetConnection final : public TConnectionPlatform {
 public:
  bool ConnectedState(uint32_t& flags) override {
    DWORD value = 0;
    const bool connected = skylaunch::WinInet().InternetGetConnectedState(&value, 0) != FALSE;
    flags = value;
    return connected;
  }
  bool Autodial(HWND window) override {
    return skylaunch::WinInet().InternetAutodial(INTERNET_AUTODIAL_FORCE_UNATTENDED, window) != FALSE;
  }
  void AutodialHangup() override { skylaunch::WinInet().InternetAutodialHangup(0); }
};

std::u16string Decimal(int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// WinInet's documented default receive time-out.
constexpr DWORD kPlatformDefaultReceiveTimeout = 30000;

// Some WinInet implementations (Wine's) accept the receive time-out on a session handle but cannot
// report it: they answer ERROR_INTERNET_INCORRECT_HANDLE_TYPE. Refusing to validate there would
// make the service unreachable for good, so the documented default stands in for the answer.
bool QueryDefaultReceiveTimeout(HINTERNET session, DWORD& timeout) {
  DWORD length = sizeof(timeout);
  if (WinInet().InternetQueryOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, &length))
    return true;
  if (GetLastError() != ERROR_INTERNET_INCORRECT_HANDLE_TYPE) return false;
  timeout = kPlatformDefaultReceiveTimeout;
  return true;
}

// Where the validation URL leads: host, port, the path with the query, and the request flags.
struct TValidationTarget {
  std::u16string Host;
  INTERNET_PORT Port;
  std::u16string Path;
  DWORD Flags;
};

// Nullopt, with the platform's error code set, when the URL cannot be split or names a scheme
// other than HTTP and HTTPS.
std::optional<TValidationTarget> CrackValidationURL(const std::u16string& url) {
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  if (!WinInet().InternetCrackUrlW(as_wcstr(url), 0, 0, &parts)) return std::nullopt;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return std::nullopt;
  }
  TValidationTarget target{std::u16string(as_u16cstr(parts.lpszHostName), parts.dwHostNameLength),
                           parts.nPort, u"/", INTERNET_FLAG_NO_CACHE_WRITE};
  if (parts.lpszUrlPath != nullptr && parts.dwUrlPathLength > 0) {
    target.Path = url.substr(static_cast<size_t>(as_u16cstr(parts.lpszUrlPath) - url.c_str()));
  }
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) target.Flags |= INTERNET_FLAG_SECURE;
  return target;
}

// The status code of a sent request; 0 when the platform has none.
int32_t StatusCode(HINTERNET request) {
  DWORD code = 0;
  DWORD length = sizeof(code);
  return WinInet().HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &length,
                                  nullptr)
             ? static_cast<int32_t>(code)
             : 0;
}

// Blanks and control characters, as trimmed from both ends of a written validation URL.
bool IsTrimmed(char16_t c) { return c <= u' '; }

}  // namespace

std::unique_ptr<TConnectionPlatform> TConnectionPlatform::WinInet() {
  return std::make_unique<TWinInetConnection>();
}

TInternetManager::TInternetManager(HWND windowHandle, std::unique_ptr<TConnectionPlatform> platform)
    : FWindowHandle(windowHandle), fPlatform(std::move(platform)) {}

void TInternetManager::RefreshConnectionState() {
  const bool wasConnected = FConnected;
  FConnected = fPlatform->ConnectedState(FConnectionFlags);
  if (FConnected != wasConnected) {
    DoStatusChange(u"Internet Connection " + std::u16string(FConnected ? u"Started" : u"Stopped") + u".");
  }
}

TConnectionType TInternetManager::ConnectionType() {
  if (FConnectionFlags == 0) RefreshConnectionState();
  return ConnectionTypeFromFlags(FConnectionFlags);
}

bool TInternetManager::ConnectionAvailable() {
  if (FConnectionFlags == 0) RefreshConnectionState();
  return ConnectionType() != ctNotConfigured;
}

void TInternetManager::SetValidationHost(const std::u16string& value) {
  size_t first = 0;
  size_t last = value.size();
  while (first < last && IsTrimmed(value[first])) ++first;
  while (last > first && IsTrimmed(value[last - 1])) --last;
  FValidationHost = first == last ? std::u16string(kDefaultValidationURL) : value.substr(first, last - first);
}

bool TInternetManager::Connect() {
  FLastError = 0;
  if (!ConnectionAvailable()) return FConnected;
  if (!FConnected && !fAbort && fPlatform->Autodial(FWindowHandle)) RefreshConnectionState();
  if (FConnected) FConnected = ValidateConnection();
  return FConnected;
}

void TInternetManager::Disconnect() {
  if (DoDisconnected()) fPlatform->AutodialHangup();
}

bool TInternetManager::DoDisconnected() {
  bool canHangup = true;
  if (OnDisconnected) OnDisconnected(this, canHangup);
  return canHangup;
}

void TInternetManager::DoStatusChange(const std::u16string& status) {
  if (OnStatusChange) OnStatusChange(this, status);
}

bool TInternetManager::ValidateConnection() {
  bool result = false;
  FLastError = 0;
  TInternetHandle session(WinInet().InternetOpenW(L"Tarvosa Internet Manager", INTERNET_OPEN_TYPE_PRECONFIG,
                                                  nullptr, nullptr, 0));
  if (!session) {
    RecordLastError();
    return false;
  }
  DWORD defaultTimeout = 0;
  if (!QueryDefaultReceiveTimeout(session.Get(), defaultTimeout)) {
    RecordLastError();
    return false;
  }
  DoStatusChange(u"Default Internet Receive Timeout is " + Decimal(int32_t(defaultTimeout)));
  DWORD timeout = FValidationTimeout;
  if (!WinInet().InternetSetOptionW(session.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout,
                                    sizeof(timeout))) {
    RecordLastError();
    return false;
  }
  DoStatusChange(u"Internet Receive Timeout changed to " + Decimal(int32_t(FValidationTimeout)) + u".");
  // The default time-out is put back whatever happens while the URL is tried.
  try {
    result = OpenValidationURL(session.Get());
  } catch (...) {
    RestoreTimeout(session.Get(), defaultTimeout);
    throw;
  }
  RestoreTimeout(session.Get(), defaultTimeout);
  return result;
}

bool TInternetManager::OpenValidationURL(HINTERNET session) {
  // Opened step by step, as InternetOpenUrlW would, so that the receive time-out can be put on the
  // request itself: some WinInet implementations (Wine's) do not pass a session's time-out on to
  // the request that InternetOpenUrlW makes. Any HTTP answer, 404 included, proves the service can
  // be reached; nothing is read.
  const std::optional<TValidationTarget> target = CrackValidationURL(FValidationHost);
  if (!target) {
    RecordLastError();
    return false;
  }
  // The last moment before the request: nothing below goes to the network until it is sent.
  if (fAbort) {
    FLastError = ERROR_INTERNET_OPERATION_CANCELLED;
    return false;
  }
  TRequestLog log;
  log.Begin(u"GET", FValidationHost);
  TInternetHandle connection(WinInet().InternetConnectW(session, as_wcstr(target->Host), target->Port,
                                                        nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  TInternetHandle request(connection
                              ? WinInet().HttpOpenRequestW(connection.Get(), L"GET", as_wcstr(target->Path),
                                                           nullptr, nullptr, nullptr, target->Flags, 0)
                              : nullptr);
  if (!request) {
    RecordLastError();
    log.Fail(InternetFailureText(FLastError));
    return false;
  }
  DWORD timeout = FValidationTimeout;
  WinInet().InternetSetOptionW(request.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
  if (WinInet().HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0)) {
    log.SetStatus(StatusCode(request.Get()));
    return true;
  }
  RecordLastError();
  log.Fail(InternetFailureText(FLastError));
  return false;
}

void TInternetManager::RestoreTimeout(HINTERNET session, DWORD timeout) {
  if (WinInet().InternetSetOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout))) {
    DoStatusChange(u"Internet Receive Timeout reset to " + Decimal(int32_t(timeout)));
  }
}

}  // namespace skylaunch

// Setting up a request of the asynchronous HTTP client: binding WinInet, reading the URL, opening
// the handles and handing the send to the platform. Runs on the creating thread inside Execute;
// every failure raises EInternetException and Execute finalizes.
#include <string>
#include <type_traits>

#include "orbInternet.h"
#include "orbInternetList.h"
#include "orbInternetRules.h"
#include "WinText.h"

namespace skylaunch {
namespace {

constexpr char16_t kWinInetLibrary[] = u"WinInet.dll";

// The WinInet flags of every request: no cache is read or written.
constexpr DWORD kRequestCacheFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

const wchar_t* Verb(TInternetOperation operation) {
  switch (operation) {
    case ioPOST:
      return L"POST";
    case ioHEAD:
      return L"HEAD";
    default:
      return L"GET";
  }
}

}  // namespace

void TInternet::DoWinInetNotFound(TObject*) { throw EInternetException(kWinInetNotFoundMessage); }

void TInternet::InitializeInternet() {
  fLibList.reset();
  fLibList = Create<TLibList>();
  fLibList->OnDLLNotFound = [this](TObject* sender) { DoWinInetNotFound(sender); };
  BindWinInet();
  fTotalFileSize = -1;
  fCurrentFilePosition = -1;
  CrackURL();
  SetSchemeFlags();
  if (!fInternetHandle) OpenInternet();
}

void TInternet::BindWinInet() {
  fLibList->Add(kWinInetLibrary);
  const auto bind = [this](auto& entry, const char16_t* name) {
    entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(fLibList->FuncPtr(kWinInetLibrary, name));
    // A module without the entry point cannot serve a request any better than a missing one.
    if (entry == nullptr) DoWinInetNotFound(nullptr);
  };
  bind(fInternetOpen, u"InternetOpenW");
  bind(fInternetSetStatusCallback, u"InternetSetStatusCallback");
  bind(fInternetCloseHandle, u"InternetCloseHandle");
  bind(fInternetConnect, u"InternetConnectW");
  bind(fHttpOpenRequest, u"HttpOpenRequestW");
  bind(fHttpSendRequestEx, u"HttpSendRequestExW");
  bind(fHttpEndRequest, u"HttpEndRequestW");
  bind(fInternetReadFileEx, u"InternetReadFileExW");
  bind(fInternetCrackUrl, u"InternetCrackUrlW");
  bind(fHttpQueryInfo, u"HttpQueryInfoW");
  bind(fInternetSetOption, u"InternetSetOptionW");
}

void TInternet::CrackURL() {
  fHost.clear();
  fPath.clear();
  const std::u16string& url = fRequest->URL();
  URL_COMPONENTSW parts = UrlPartsInPlace();
  LogApiCall(u"InternetCrackURL");
  if (!fInternetCrackUrl(as_wcstr(url), static_cast<DWORD>(url.size()), 0, &parts) || parts.lpszHostName == nullptr ||
      parts.lpszScheme == nullptr) {
    throw EInternetException(kInvalidURLMessage);
  }
  const std::optional<TInternetScheme> scheme =
      SchemeFromString(std::u16string_view(as_u16cstr(parts.lpszScheme), parts.dwSchemeLength));
  if (!scheme) throw EInternetException(kInvalidURLMessage);
  fScheme = *scheme;
  fHost.assign(as_u16cstr(parts.lpszHostName), parts.dwHostNameLength);
  if (fHost.empty()) throw EInternetException(kInvalidURLMessage);
  fPort = parts.nPort;
  // The path runs to the end of the URL, so the query is part of it.
  if (parts.lpszUrlPath != nullptr) {
    fPath = url.substr(static_cast<size_t>(as_u16cstr(parts.lpszUrlPath) - url.c_str()));
  }
}

void TInternet::SetSchemeFlags() { fFlags = fScheme == isHTTPS ? INTERNET_FLAG_SECURE : 0; }

void TInternet::OpenInternet() {
  std::u16string proxy;
  DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG;
  if (!fRequest->ProxyServer().empty()) {
    proxy = ProxyText(fRequest->ProxyServer(), fRequest->ProxyPort());
    accessType = INTERNET_OPEN_TYPE_PROXY;
  }
  LogApiCall(u"InternetOpen");
  fInternetHandle.Reset(fInternetOpen(as_wcstr(fAgentName), accessType, proxy.empty() ? nullptr : as_wcstr(proxy),
                                      nullptr, INTERNET_FLAG_ASYNC));
  if (!fInternetHandle) throw EInternetException(kUnableToInitializeMessage);
  fCallbackStatus = csOK;
  InternetList()->Add(this);
  LogApiCall(u"InternetSetstatusCallback (setting)");
  fInternetSetStatusCallback(fInternetHandle.Get(), InternetStatusCallback);
}

void TInternet::OpenRequest() {
  LogApiCall(u"InternetConnect");
  fSessionHandle.Reset(fInternetConnect(fInternetHandle.Get(), as_wcstr(fHost), static_cast<INTERNET_PORT>(fPort),
                                        nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!fSessionHandle) throw EInternetException(kUnableToInitializeMessage);
  if (fReceiveTimeout != -1) {
    DWORD timeout = static_cast<DWORD>(fReceiveTimeout);
    fInternetSetOption(fSessionHandle.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
  }
  LogApiCall(u"HTTPOpenRequest");
  fRequestHandle.Reset(fHttpOpenRequest(fSessionHandle.Get(), Verb(fRequest->Operation()), as_wcstr(fPath), nullptr,
                                        L"", nullptr, fFlags | kRequestCacheFlags, fContext));
  if (!fRequestHandle) throw EInternetException(kUnableToSubmitMessage);
}

void TInternet::SendRequest() {
  fInternetData->Build(*fRequest);
  fInternetStatus = isSendingRequest;
  LogApiCall(u"HTTPSendRequest");
  if (!fHttpSendRequestEx(fRequestHandle.Get(), fInternetData->HeaderAndPostDataPtr(), nullptr, HSR_ASYNC,
                          fContext)) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) throw EInternetException(SendFailedMessage(static_cast<int32_t>(error)));
  }
}

}  // namespace skylaunch

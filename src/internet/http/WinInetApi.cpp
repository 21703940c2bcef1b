#include "WinInetApi.h"

#include "libstate_loader.h"

namespace skylaunch {
namespace {

// Stands in for an entry point that could not be bound: fails as the platform's call would.
template <DWORD Error, typename R, typename... A>
R WINAPI Unbound(A...) {
  SetLastError(Error);
  return R{};
}

template <typename R, typename... A>
void Bind(R(WINAPI*& entry)(A...), HMODULE module, const char* name) {
  if (module == nullptr) {
    entry = &Unbound<ERROR_MOD_NOT_FOUND, R, A...>;
    return;
  }
  entry = reinterpret_cast<R(WINAPI*)(A...)>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (entry == nullptr) entry = &Unbound<ERROR_PROC_NOT_FOUND, R, A...>;
}

TWinInetApi BindWinInet() {
  // Kept loaded for the life of the process: handles of it may be closed at any time until the end.
  const HMODULE module = LoadLibraryByRule(u"wininet.dll");
  TWinInetApi api{};
  Bind(api.InternetOpenW, module, "InternetOpenW");
  Bind(api.InternetConnectW, module, "InternetConnectW");
  Bind(api.InternetCloseHandle, module, "InternetCloseHandle");
  Bind(api.InternetCrackUrlW, module, "InternetCrackUrlW");
  Bind(api.InternetOpenUrlW, module, "InternetOpenUrlW");
  Bind(api.InternetReadFile, module, "InternetReadFile");
  Bind(api.InternetQueryOptionW, module, "InternetQueryOptionW");
  Bind(api.InternetSetOptionW, module, "InternetSetOptionW");
  Bind(api.InternetGetConnectedState, module, "InternetGetConnectedState");
  Bind(api.InternetAutodial, module, "InternetAutodial");
  Bind(api.InternetAutodialHangup, module, "InternetAutodialHangup");
  Bind(api.HttpOpenRequestW, module, "HttpOpenRequestW");
  Bind(api.HttpSendRequestW, module, "HttpSendRequestW");
  Bind(api.HttpQueryInfoW, module, "HttpQueryInfoW");
  return api;
}

}  // namespace

const TWinInetApi& WinInet() {
  static const TWinInetApi api = BindWinInet();
  return api;
}

}  // namespace skylaunch

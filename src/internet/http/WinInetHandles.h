#pragma once
// Ownership of WinInet handles (root, connection, request, opened URL). The owner closes its
// handle with InternetCloseHandle when it is reset or goes out of scope, also when an error
// passes; an empty owner closes nothing.
#include <windows.h>
#include <wininet.h>

#include "Handles.h"
#include "WinInetApi.h"

namespace skylaunch {

struct TInternetHandleTraits {
  using Handle = HINTERNET;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { WinInet().InternetCloseHandle(h); }
};

using TInternetHandle = TUniqueHandle<TInternetHandleTraits>;

}  // namespace skylaunch

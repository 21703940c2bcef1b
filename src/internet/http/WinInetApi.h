#pragma once
// WinInet's entry points, bound by name from the system folder the first time they are needed.
//
// The program runs with administrator rights, usually from the user's download folder. A library
// named in the executable's import table is loaded before any of the program's code runs, and
// unless the platform always takes it from the system folder (WinInet is not such a library), a
// file of the same name beside the executable would be loaded instead. So the program imports
// nothing of WinInet: it calls it through this table, bound after the entry has restricted the
// library search, by the library list's loader (a full path into the system folder).
//
// When WinInet cannot be loaded, or lacks an entry point, that entry fails as the platform's own
// calls fail: a null handle or FALSE, with ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND as the
// last error.
#include <windows.h>
#include <wininet.h>

namespace skylaunch {

struct TWinInetApi {
  decltype(&::InternetOpenW) InternetOpenW;
  decltype(&::InternetConnectW) InternetConnectW;
  decltype(&::InternetCloseHandle) InternetCloseHandle;
  decltype(&::InternetCrackUrlW) InternetCrackUrlW;
  decltype(&::InternetOpenUrlW) InternetOpenUrlW;
  decltype(&::InternetReadFile) InternetReadFile;
  decltype(&::InternetQueryOptionW) InternetQueryOptionW;
  decltype(&::InternetSetOptionW) InternetSetOptionW;
  decltype(&::InternetGetConnectedState) InternetGetConnectedState;
  decltype(&::InternetAutodial) InternetAutodial;
  decltype(&::InternetAutodialHangup) InternetAutodialHangup;
  decltype(&::HttpOpenRequestW) HttpOpenRequestW;
  decltype(&::HttpSendRequestW) HttpSendRequestW;
  decltype(&::HttpQueryInfoW) HttpQueryInfoW;
};

// The table, bound once per process (from any thread); never null entries.
const TWinInetApi& WinInet();

}  // namespace skylaunch

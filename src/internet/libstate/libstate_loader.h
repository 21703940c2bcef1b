#pragma once
// The library list's way of loading a module. The program runs elevated, usually from the user's
// download folder, so a system library named without a path ("WinInet.dll") is loaded from the
// system folder only: a DLL of that name planted beside the executable or in the current folder
// is never taken. A name that carries a path loads as given.
#include <windows.h>

#include <string>

namespace skylaunch {

// The module handle, or null with the platform's error code set (an empty name, or one with an
// embedded U+0000, fails with ERROR_MOD_NOT_FOUND instead of loading a shortened name).
HMODULE LoadLibraryByRule(const std::u16string& name);

// The platform's system folder without a trailing backslash; empty when the platform cannot
// tell.
std::u16string SystemFolder();

}  // namespace skylaunch

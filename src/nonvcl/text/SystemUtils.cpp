#include "SystemUtils.h"

#include <windows.h>

#include "ExceptionText.h"
#include "RunLog.h"
#include "TextUtils.h"
#include "WinText.h"

namespace skylaunch {

void ShowException(const std::exception_ptr& error) {
  LoggedMessageBox(nullptr, ExceptionText(error), u"Error", MB_OK | MB_TASKMODAL);
}

bool IsWindowsNT() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  static_assert(sizeof(OSVERSIONINFOW) == 276);
  return GetVersionExW(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::u16string SystemTempFolder() {
  wchar_t buffer[MAX_PATH]{};
  GetTempPathW(MAX_PATH, buffer);
  return StripTrailingBackslashes(as_u16cstr(buffer));
}

}  // namespace skylaunch

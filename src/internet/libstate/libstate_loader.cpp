#include "libstate_loader.h"

#include "TextUtils.h"
#include "WinText.h"
#include "libstate_key.h"

namespace skylaunch {
namespace {

// LOAD_LIBRARY_SEARCH_* exist where AddDllDirectory does (Windows 8, or 7 and Vista updated).
bool SearchFlagsSupported() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel != nullptr && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

HMODULE LoadFromSystemFolder(const std::u16string& name) {
  const std::u16string folder = SystemFolder();
  if (folder.empty()) return nullptr;
  // A full path, not the bare name with the search flag alone: the platform resolves a bare name
  // to any loaded module of that name, wherever it was loaded from. The flags keep the module's
  // own dependencies in the system folder too.
  const std::u16string path = folder + u"\\" + name;
  const DWORD flags = SearchFlagsSupported() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
  return LoadLibraryExW(as_wcstr(path), nullptr, flags);
}

}  // namespace

std::u16string SystemFolder() {
  wchar_t buffer[MAX_PATH + 1]{};
  const UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return StripTrailingBackslashes(as_u16cstr(buffer));
}

HMODULE LoadLibraryByRule(const std::u16string& name) {
  if (name.empty() || name.find(u'\0') != std::u16string::npos) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (IsBareLibraryName(name)) return LoadFromSystemFolder(name);
  return LoadLibraryW(as_wcstr(name));
}

}  // namespace skylaunch

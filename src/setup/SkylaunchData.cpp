#include "SkylaunchData.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "ExceptionLite.h"
#include "Handles.h"
#include "SetupRules.h"
#include "SystemUtils.h"
#include "TextUtils.h"
#include "WinText.h"

namespace skylaunch {
namespace {

constexpr wchar_t kIniSection[] = L"Skylaunch";

std::u16string SharedPathOf(const std::u16string& programFiles) {
  return programFiles + u"\\Common Files\\Tarvosa Shared";
}

std::u16string ModuleFileName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (length < buffer.size()) return std::u16string(as_u16cstr(buffer.data()), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::u16string ReadIniKey(const std::u16string& folder, const wchar_t* key, const wchar_t* fallback) {
  wchar_t buffer[1024]{};
  GetPrivateProfileStringW(kIniSection, key, fallback, buffer, DWORD(std::size(buffer)),
                           as_wcstr(InstallIniFileName(folder)));
  return FromWide(buffer);
}

}  // namespace

void TSkylaunchData::Construct() {
  TObject::Construct();
  FLaunchFolder = ExtractFolder(ModuleFileName());
  FProgramFiles = GetProgramFilesDir();
  FDesktop = GetSpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
  FStartMenu = GetSpecialFolder(CSIDL_COMMON_STARTMENU);
  FAppDescription = u"24Tarvosa Sky Launch";
  // "2024" is a literal of the link's name; it does not follow the major version.
  FLinkFilename = FStartMenu + u"\\Programs\\Tarvosa\\" + u"2024" + u" Tarvosa Sky Launch.lnk";
  FTarvosaSharedPath = SharedPathOf(FProgramFiles);
  FLinkTarget = FTarvosaSharedPath + u"\\" + u"Skylaunch24.exe";
  FLinkArguments.clear();
  FValidateURL = ReleaseServiceBaseURL();
  FReleaseStatus = ReadReleaseStatus(FTarvosaSharedPath);
  FMajorVersion = ReadMajorVersion(FTarvosaSharedPath);
}

std::u16string TSkylaunchData::TempFolder() const { return SystemTempFolder(); }
std::u16string TSkylaunchData::Caption() const { return std::u16string(TargetCaption(FAppType)); }
std::u16string TSkylaunchData::Component() const { return std::u16string(TargetComponent(FAppType)); }
std::u16string TSkylaunchData::ComponentFullFileName() const {
  return FTarvosaSharedPath + u"\\" + Component();
}
std::u16string TSkylaunchData::Product() const { return std::u16string(TargetProduct(FAppType)); }
std::u16string TSkylaunchData::VersionFile() const {
  return FTarvosaSharedPath + u"\\" + std::u16string(TargetVersionFileName(FAppType));
}
std::u16string TSkylaunchData::ValidateURL() const { return FValidateURL + u"/health/full"; }
std::u16string TSkylaunchData::ServiceURL() const {
  return CatalogQueryURL(FValidateURL, FMajorVersion, FReleaseStatus);
}

void TSkylaunchData::WriteToInstallINI(const std::u16string& keyName, const std::u16string& value) const {
  const std::u16string fileName = InstallIniFileName(SharedPathOf(GetProgramFilesDir()));
  if (!WritePrivateProfileStringW(kIniSection, as_wcstr(keyName), as_wcstr(value), as_wcstr(fileName))) {
    throw ExceptionLite(u"Unable to write to " + fileName);
  }
}

std::u16string TSkylaunchData::GetProgramFilesDir() {
  std::u16string result;
  TRegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ,
                    key.Put()) == ERROR_SUCCESS) {
    wchar_t buffer[128]{};  // 256 bytes: 127 characters and the terminator
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.Get(), L"ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &size) == ERROR_SUCCESS &&
        size != 0 && (type == REG_SZ || type == REG_EXPAND_SZ)) {
      result = FromWide(buffer);
    }
  }
  if (result.empty()) result = u"C:\\Program Files";
  return StripTrailingBackslashes(result);
}

std::u16string TSkylaunchData::GetSpecialFolder(int csidl) {
  TComPtr<IShellFolder> desktop;
  TCoTaskMem<LPITEMIDLIST> items;
  std::u16string result;
  // The shell's answers are not examined beyond success: a folder it cannot name stays empty.
  if (SUCCEEDED(SHGetDesktopFolder(desktop.Put())) &&
      SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, items.Put()))) {
    STRRET name{};
    if (SUCCEEDED(desktop->GetDisplayNameOf(items.Get(), SHGDN_FORPARSING, &name))) {
      if (IsWindowsNT()) {
        TCoTaskMem<LPWSTR> text;
        if (SUCCEEDED(StrRetToStrW(&name, items.Get(), text.Put()))) result = FromWide(text.Get());
      } else {
        char text[MAX_PATH + 1]{};
        StrRetToBufA(&name, items.Get(), text, MAX_PATH);
        wchar_t wide[MAX_PATH + 1]{};
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH);
        result = FromWide(wide);
      }
    }
  }
  return StripTrailingBackslashes(result);
}

std::u16string TSkylaunchData::ReadReleaseStatus(const std::u16string& folder) {
  return ReadIniKey(folder, L"ReleaseStatus", L"Release");
}

std::u16string TSkylaunchData::ReadMajorVersion(const std::u16string& folder) {
  return ReadIniKey(folder, L"MajorVersion", L"2024");
}

}  // namespace skylaunch

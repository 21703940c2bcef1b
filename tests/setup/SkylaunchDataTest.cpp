#include "SkylaunchData.h"

#include <shlobj.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "local_services.h"
#include "ExceptionLite.h"
#include "WinText.h"

namespace skylaunch {
namespace {

constexpr wchar_t kVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

// Sets (or removes) HKLM\...\CurrentVersion "ProgramFilesDir" for one test and restores it.
class TProgramFilesValue {
 public:
  explicit TProgramFilesValue(std::optional<std::wstring> value) {
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kVersionKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &fKey, nullptr);
    wchar_t buffer[512]{};
    DWORD size = sizeof(buffer);
    if (RegQueryValueExW(fKey, L"ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) ==
        ERROR_SUCCESS) {
      fSaved = buffer;
    }
    Set(value);
  }
  ~TProgramFilesValue() {
    Set(fSaved);
    RegCloseKey(fKey);
  }

 private:
  void Set(const std::optional<std::wstring>& value) {
    if (value) {
      RegSetValueExW(fKey, L"ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                     DWORD((value->size() + 1) * sizeof(wchar_t)));
    } else {
      RegDeleteValueW(fKey, L"ProgramFilesDir");
    }
  }
  HKEY fKey = nullptr;
  std::optional<std::wstring> fSaved;
};

// The shared folder with an Install.ini of the given lines (none: no file), removed afterwards.
class TInstallIni {
 public:
  explicit TInstallIni(const std::u16string& folder, const char* content) : fFolder(folder) {
    fFile = folder + u"\\Install.ini";
    SHCreateDirectoryExW(nullptr, as_wcstr(folder), nullptr);
    DeleteFileW(as_wcstr(fFile));
    if (content) {
      HANDLE file = CreateFileW(as_wcstr(fFile), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      WriteFile(file, content, DWORD(strlen(content)), &written, nullptr);
      CloseHandle(file);
    }
  }
  ~TInstallIni() { DeleteFileW(as_wcstr(fFile)); }
  const std::u16string& File() const { return fFile; }

 private:
  std::u16string fFolder;
  std::u16string fFile;
};

std::u16string SharedFolder() {
  return TSkylaunchData::GetProgramFilesDir() + u"\\Common Files\\Tarvosa Shared";
}

TEST(SkylaunchData, ProgramFilesFolderFromTheRegistry) {
  {
    TProgramFilesValue value(L"C:\\Program Files\\");
    EXPECT_EQ(TSkylaunchData::GetProgramFilesDir(), u"C:\\Program Files");
    auto data = Create<TSkylaunchData>();
    EXPECT_EQ(data->InstallFolder(), u"C:\\Program Files\\Common Files\\Tarvosa Shared");
  }
  {
    TProgramFilesValue value(L"D:\\Apps");
    EXPECT_EQ(Create<TSkylaunchData>()->LinkTarget(), u"D:\\Apps\\Common Files\\Tarvosa Shared\\Skylaunch24.exe");
  }
  for (auto missing : {std::optional<std::wstring>(), std::optional<std::wstring>(L"")}) {
    TProgramFilesValue value(missing);
    EXPECT_EQ(TSkylaunchData::GetProgramFilesDir(), u"C:\\Program Files");
  }
  {
    // Longer than the 256-byte buffer: the value cannot be read, so the default applies.
    TProgramFilesValue value(L"C:\\" + std::wstring(200, L'x'));
    EXPECT_EQ(TSkylaunchData::GetProgramFilesDir(), u"C:\\Program Files");
  }
}

TEST(SkylaunchData, FoldersLinkAndAddressesWithoutInstallIni) {
  TInstallIni ini(SharedFolder(), nullptr);
  auto data = Create<TSkylaunchData>();
  const std::u16string shared = SharedFolder();
  const std::u16string base = local_services::kCatalogURL;

  wchar_t self[MAX_PATH]{};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::u16string selfPath = as_u16cstr(self);
  EXPECT_EQ(data->LaunchFolder(), selfPath.substr(0, selfPath.rfind(u'\\') + 1));
  EXPECT_FALSE(data->StartMenu().empty());
  EXPECT_NE(data->StartMenu().back(), u'\\');
  EXPECT_FALSE(data->Desktop().empty());
  EXPECT_EQ(data->AppDescription(), u"24Tarvosa Sky Launch");
  EXPECT_EQ(data->LinkFilename(), data->StartMenu() + u"\\Programs\\Tarvosa\\2024 Tarvosa Sky Launch.lnk");
  EXPECT_EQ(data->LinkTargetPath(), shared);
  EXPECT_EQ(data->LinkArguments(), u"");
  EXPECT_EQ(data->ValidateURL(), base + u"/health/full");
  EXPECT_EQ(data->ServiceURL(),
            base + u"/v3/release-catalog/tarvosa-loader-app?major-version=2024&status=Release");
  EXPECT_EQ(data->AppType(), ptSkylaunch);
  EXPECT_NE(data->TempFolder().back(), u'\\');
}

TEST(SkylaunchData, PerTargetNames) {
  auto data = Create<TSkylaunchData>();
  const std::u16string shared = SharedFolder();
  data->SetAppType(ptSkylaunch);
  EXPECT_EQ(data->ComponentFullFileName(), shared + u"\\Skylaunch24.exe");
  EXPECT_EQ(data->VersionFile(), shared + u"\\Skylaunch24.ver");
  EXPECT_EQ(data->Caption(), u"24 Sky Launch");
  data->SetAppType(ptWebConfig);
  EXPECT_EQ(data->ComponentFullFileName(), shared + u"\\S24Launch.dat");
  EXPECT_EQ(data->VersionFile(), shared + u"\\S24Launch.id");
  EXPECT_EQ(data->Product(), u"Configuration");
  data->SetAppType(ptWebInstall);
  EXPECT_EQ(data->ComponentFullFileName(), shared + u"\\S24Launch.exe");
  EXPECT_EQ(data->VersionFile(), shared + u"\\S24Launch.ver");
  EXPECT_EQ(data->Caption(), u"24 Setup");
}

TEST(SkylaunchData, InstallIniSelectsReleaseAndMajorVersion) {
  const std::u16string base = std::u16string(local_services::kCatalogURL) +
                              u"/v3/release-catalog/tarvosa-loader-app?major-version=";
  {
    TInstallIni ini(SharedFolder(), "[Skylaunch]\r\nMajorVersion=2025\r\nReleaseStatus=Beta\r\n");
    auto data = Create<TSkylaunchData>();
    EXPECT_EQ(data->ServiceURL(), base + u"2025&status=Beta");
    EXPECT_EQ(data->LinkFilename(), data->StartMenu() + u"\\Programs\\Tarvosa\\2024 Tarvosa Sky Launch.lnk");
  }
  {
    TInstallIni ini(SharedFolder(), "[Other]\r\nMajorVersion=2030\r\n[Skylaunch]\r\nChannel=x\r\n");
    EXPECT_EQ(Create<TSkylaunchData>()->ServiceURL(), base + u"2024&status=Release");
  }
  {
    TInstallIni ini(SharedFolder(), "[Skylaunch]\r\nReleaseStatus=PreRelease\r\n");
    EXPECT_EQ(Create<TSkylaunchData>()->ServiceURL(), base + u"2024&status=PreRelease");
  }
}

TEST(SkylaunchData, WriteToInstallIniRoundTripAndRefusal) {
  {
    TInstallIni ini(SharedFolder(), nullptr);
    auto data = Create<TSkylaunchData>();
    data->WriteToInstallINI(u"MajorVersion", u"2026");
    data->WriteToInstallINI(u"ReleaseStatus", u"Beta");
    EXPECT_EQ(TSkylaunchData::ReadMajorVersion(SharedFolder()), u"2026");
    EXPECT_EQ(TSkylaunchData::ReadReleaseStatus(SharedFolder() + u"\\"), u"Beta");
    EXPECT_EQ(Create<TSkylaunchData>()->ServiceURL().substr(data->ServiceURL().find(u'?')),
              u"?major-version=2026&status=Beta");
  }
  // The folder is never created: a program-files folder that does not exist refuses the write.
  TProgramFilesValue value(L"C:\\Missing Folder Of Skylaunch Tests");
  auto data = Create<TSkylaunchData>();
  try {
    data->WriteToInstallINI(u"MajorVersion", u"2026");
    FAIL() << "no error";
  } catch (const ExceptionLite& e) {
    EXPECT_EQ(e.Message(),
              u"Unable to write to C:\\Missing Folder Of Skylaunch Tests\\Common Files\\Tarvosa Shared\\Install.ini");
  }
}

}  // namespace
}  // namespace skylaunch

#include "HandOff.h"

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "Handles.h"
#include "MessageBoxAnswerer.h"
#include "Utf.h"
#include "WinText.h"

namespace skylaunch {
namespace {

// The recorder program as Wine sees the build tree.
std::u16string RecorderPath() {
  std::u16string path = FromUtf8("Z:" DEMO_INSTALLER_PATH);
  for (auto& c : path) c = c == u'/' ? u'\\' : c;
  return path;
}

std::u16string Join(const std::u16string& folder, const char16_t* name) { return folder + u"\\" + name; }
bool Exists(const std::u16string& name) { return GetFileAttributesW(as_wcstr(name)) != INVALID_FILE_ATTRIBUTES; }
void Put(const std::u16string& name, const char* content) {
  std::ofstream(std::filesystem::path(std::wstring(as_wcstr(name))), std::ios::binary) << content;
}
std::string Read(const std::u16string& name) {
  std::ifstream in(std::filesystem::path(std::wstring(as_wcstr(name))), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each test starts with an empty shared folder and a fresh record of started programs.
class HandOff : public ::testing::Test {
 protected:
  void SetUp() override {
    data = Create<TSkylaunchData>();
    shared = data->InstallFolder();
    SHCreateDirectoryExW(nullptr, as_wcstr(shared), nullptr);
    for (auto name : {u"Skylaunch24.exe", u"Skylaunch24.new", u"Skylaunch24.old", u"S24Launch.exe"}) {
      // A program started by the previous test may still be running from that file.
      const std::u16string file = Join(shared, name);
      for (int i = 0; i < 100 && !DeleteFileW(as_wcstr(file)) && Exists(file); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      ASSERT_FALSE(Exists(file));
    }
    record = data->TempFolder() + u"\\handoff-started.log";
    DeleteFileW(as_wcstr(record));
    SetEnvironmentVariableW(L"SKYLAUNCH_RECORD", as_wcstr(record));
    SetEnvironmentVariableW(L"SKYLAUNCH_DEMO_SHOW_MS", L"0");
  }

  // The record of the started program, once it has written it.
  std::string WaitForStart() {
    for (int i = 0; i < 200 && Read(record).empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return Read(record);
  }

  static std::string Json(const std::u16string& text) {
    std::string out;
    for (char c : ToUtf8(text)) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out;
  }

  TOwned<TSkylaunchData> data;
  std::u16string shared;
  std::u16string record;
};

TEST_F(HandOff, ShortcutIsWrittenWithItsPropertiesAndFolder) {
  const std::u16string folder = data->LinkFilename().substr(0, data->LinkFilename().rfind(u'\\'));
  DeleteFileW(as_wcstr(data->LinkFilename()));
  RemoveDirectoryW(as_wcstr(folder));
  ASSERT_FALSE(Exists(folder));

  CreateShortcut(*data);

  ASSERT_TRUE(Exists(data->LinkFilename()));
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  {
    TComPtr<IShellLinkW> link;
    TComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(link.Put()))));
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put()));
    ASSERT_TRUE(SUCCEEDED(file->Load(as_wcstr(data->LinkFilename()), STGM_READ)));
    wchar_t text[MAX_PATH]{};
    link->GetPath(text, MAX_PATH, nullptr, 0);
    EXPECT_EQ(FromWide(text), data->LinkTarget());
    link->GetDescription(text, MAX_PATH);
    EXPECT_EQ(FromWide(text), u"24Tarvosa Sky Launch");
    link->GetArguments(text, MAX_PATH);
    EXPECT_EQ(FromWide(text), u"");
    link->GetWorkingDirectory(text, MAX_PATH);
    EXPECT_EQ(FromWide(text), shared);
    int icon = -1;
    link->GetIconLocation(text, MAX_PATH, &icon);
    EXPECT_EQ(FromWide(text), data->LinkTarget());
    EXPECT_EQ(icon, 0);
  }
  CoUninitialize();
}

TEST_F(HandOff, FirstInstallationMovesTheNewCopyInAndStartsIt) {
  ASSERT_TRUE(CopyFileW(as_wcstr(RecorderPath()), as_wcstr(Join(shared, u"Skylaunch24.new")), FALSE));
  ReplaceAndLaunch(*data);
  EXPECT_TRUE(Exists(Join(shared, u"Skylaunch24.exe")));
  EXPECT_FALSE(Exists(Join(shared, u"Skylaunch24.new")));
  EXPECT_FALSE(Exists(Join(shared, u"Skylaunch24.old")));
  const std::string started = WaitForStart();
  EXPECT_NE(started.find("\"commandLine\":\"\\\"" + Json(Join(shared, u"Skylaunch24.exe")) + "\\\" /WebInstall \""),
            std::string::npos)
      << started;
}

TEST_F(HandOff, UpdateReplacesTheInstalledCopy) {
  Put(Join(shared, u"Skylaunch24.exe"), "old copy");
  Put(Join(shared, u"Skylaunch24.old"), "leftover");
  ASSERT_TRUE(CopyFileW(as_wcstr(RecorderPath()), as_wcstr(Join(shared, u"Skylaunch24.new")), FALSE));
  ReplaceAndLaunch(*data);
  EXPECT_NE(Read(Join(shared, u"Skylaunch24.exe")), "old copy");
  EXPECT_FALSE(Exists(Join(shared, u"Skylaunch24.old")));
  EXPECT_FALSE(WaitForStart().empty());
}

TEST_F(HandOff, ANewCopyThatCannotTakeItsPlaceLeavesTheInstalledOne) {
  ASSERT_TRUE(CopyFileW(as_wcstr(RecorderPath()), as_wcstr(Join(shared, u"Skylaunch24.exe")), FALSE));
  const std::string installed = Read(Join(shared, u"Skylaunch24.exe"));
  Put(Join(shared, u"Skylaunch24.new"), "new copy");
  {
    // Held open without delete sharing, as a scanner might: the new copy cannot be moved.
    const TFileHandle held(CreateFileW(as_wcstr(Join(shared, u"Skylaunch24.new")), GENERIC_READ,
                                       FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
    ASSERT_TRUE(held);
    ReplaceAndLaunch(*data);
  }
  EXPECT_EQ(installed, Read(Join(shared, u"Skylaunch24.exe")));
  EXPECT_FALSE(Exists(Join(shared, u"Skylaunch24.old")));
  EXPECT_NE(WaitForStart().find("/WebInstall "), std::string::npos);
}

TEST_F(HandOff, WithoutANewCopyTheInstalledOneStarts) {
  ASSERT_TRUE(CopyFileW(as_wcstr(RecorderPath()), as_wcstr(Join(shared, u"Skylaunch24.exe")), FALSE));
  Put(Join(shared, u"Skylaunch24.old"), "leftover");
  ReplaceAndLaunch(*data);
  EXPECT_FALSE(Exists(Join(shared, u"Skylaunch24.old")));
  EXPECT_NE(WaitForStart().find("/WebInstall "), std::string::npos);
}

TEST_F(HandOff, InstallerStartsQuotedInTheSharedFolder) {
  data->SetAppType(ptWebInstall);
  ASSERT_TRUE(CopyFileW(as_wcstr(RecorderPath()), as_wcstr(Join(shared, u"S24Launch.exe")), FALSE));
  LaunchInstaller(nullptr, *data, u"/WebInstall /q /WebInstall /q");
  const std::string started = WaitForStart();
  EXPECT_NE(started.find("\"commandLine\":\"\\\"" + Json(Join(shared, u"S24Launch.exe")) +
                         "\\\" /WebInstall /q /WebInstall /q\""),
            std::string::npos)
      << started;
  EXPECT_NE(started.find("\"currentFolder\":\"" + Json(shared) + "\""), std::string::npos) << started;
}

TEST_F(HandOff, MissingInstallerIsReportedAndNothingStarts) {
  data->SetAppType(ptWebInstall);
  HWND owner = CreateWindowExW(0, L"STATIC", L"24 Setup", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                               nullptr, nullptr);
  testing::TMessageBoxAnswerer answerer(L"24 Setup", IDOK);
  LaunchInstaller(owner, *data, u"");
  ASSERT_TRUE(answerer.Wait());
  EXPECT_EQ(answerer.Text(), L"Unable to find S24Launch.exe");
  DestroyWindow(owner);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Read(record), "");
}

}  // namespace
}  // namespace skylaunch

// A wininet.dll planted beside the test program stands for one planted beside the elevated
// launcher in the user's download folder.
#include <gtest/gtest.h>
#include <windows.h>

#include "TextUtils.h"
#include "Utf.h"
#include "WinText.h"
#include "libstate.h"
#include "libstate_loader.h"

namespace skylaunch {
namespace {

constexpr wchar_t kDecoyMark[] = L"SKYLAUNCH_DECOY_LOADED";

std::u16string ModulePath(HMODULE module) {
  wchar_t buffer[MAX_PATH]{};
  GetModuleFileNameW(module, buffer, MAX_PATH);
  return as_u16cstr(buffer);
}

std::u16string ProgramFolder() { return ExtractFolder(ModulePath(nullptr)); }

bool InSystemFolder(const std::u16string& path) {
  return SameTextAscii(StripTrailingBackslashes(ExtractFolder(path)), SystemFolder());
}

bool DecoyRan() { return GetEnvironmentVariableW(kDecoyMark, nullptr, 0) != 0; }

class PlantedWinInetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeLibState();
    SetEnvironmentVariableW(kDecoyMark, nullptr);
    ASSERT_EQ(GetModuleHandleW(L"wininet.dll"), nullptr);
    // The decoy is built beside the program under another name and planted only while a test
    // runs, so that no other program of the build ever meets it.
    const std::u16string built = ProgramFolder() + u"decoy\\planted_wininet.dll";
    ASSERT_TRUE(CopyFileW(as_wcstr(built), as_wcstr(fPlanted), FALSE)) << ToUtf8(built);
  }
  void TearDown() override {
    DeleteFileW(as_wcstr(fPlanted));
    FinalizeLibState();
  }

  const std::u16string fPlanted = ProgramFolder() + u"wininet.dll";
};

TEST_F(PlantedWinInetTest, BareNamesLoadTheSystemModuleNeverThePlantedOne) {
  for (const std::u16string name : {u"WinInet.dll", u"WININET", u"wininet.dll"}) {
    SCOPED_TRACE(ToUtf8(name));
    TOwned<TLibList> list = Create<TLibList>();
    void* open = list->FuncPtr(name, u"InternetOpenW");
    TLibrary* library = list->Libs(0);
    ASSERT_NE(library, nullptr);
    ASSERT_NE(library->Handle(), nullptr);
    EXPECT_TRUE(InSystemFolder(ModulePath(library->Handle()))) << ToUtf8(ModulePath(library->Handle()));

    HMODULE owner = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        static_cast<LPCWSTR>(open), &owner));
    EXPECT_EQ(owner, library->Handle());
    EXPECT_FALSE(DecoyRan());
  }
}

TEST_F(PlantedWinInetTest, TheSystemModuleIsTakenEvenWhileTheDecoyIsLoaded) {
  // The platform's own search for a bare name starts in the program's folder: the attack this
  // guards against is real here.
  TModule decoy(LoadLibraryW(L"wininet.dll"));
  ASSERT_TRUE(decoy);
  ASSERT_TRUE(DecoyRan());
  ASSERT_EQ(ModulePath(decoy.Get()), fPlanted);

  TOwned<TLibList> list = Create<TLibList>();
  list->Add(u"WinInet.dll");
  const HMODULE loaded = list->Libs(0)->Handle();
  ASSERT_NE(loaded, nullptr);
  EXPECT_NE(loaded, decoy.Get());
  EXPECT_TRUE(InSystemFolder(ModulePath(loaded))) << ToUtf8(ModulePath(loaded));
}

TEST_F(PlantedWinInetTest, ANameWithAPathLoadsAsGiven) {
  TOwned<TLibList> list = Create<TLibList>();
  list->Add(fPlanted);
  const HMODULE loaded = list->Libs(0)->Handle();
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(ModulePath(loaded), fPlanted);
  EXPECT_TRUE(DecoyRan());
  EXPECT_EQ(list->Strings(0), u"wininet");
}

}  // namespace
}  // namespace skylaunch

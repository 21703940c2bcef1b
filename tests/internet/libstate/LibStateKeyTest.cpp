#include <gtest/gtest.h>

#include "Utf.h"
#include "libstate_key.h"

namespace skylaunch {
namespace {

TEST(LibraryKey, FileTitleCutBeforeTheFirstDotInLowerCase) {
  struct Case {
    std::u16string name;
    std::u16string title;
    std::u16string key;
  };
  const Case cases[] = {
      {u"WinInet.dll", u"WinInet", u"wininet"},
      {u"WININET", u"WININET", u"wininet"},
      {u"C:\\Windows\\System32\\wininet.dll", u"wininet", u"wininet"},
      {u"C:/Windows/System32/WinInet.DLL", u"WinInet", u"wininet"},
      {u"C:WinInet.dll", u"WinInet", u"wininet"},
      {u"\\\\server\\share\\a.b.dll", u"a", u"a"},
      {u"C:\\dir.d\\name", u"name", u"name"},
      {u"C:\\dir\\", u"", u""},
      {u".dll", u"", u""},
      {u"", u"", u""},
      {u"\u00c4Lib.dll", u"\u00c4Lib", u"\u00c4lib"},  // only A to Z change their case
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LibraryFileTitle(c.name), c.title) << ToUtf8(c.name);
    EXPECT_EQ(LibraryKey(c.name), c.key) << ToUtf8(c.name);
  }
}

TEST(LibraryKey, KeysCompareWithoutLetterCaseShorterFirst) {
  EXPECT_EQ(CompareLibraryKeys(u"WinInet", u"wininet"), 0);
  EXPECT_LT(CompareLibraryKeys(u"mpr", u"Version"), 0);
  EXPECT_GT(CompareLibraryKeys(u"version", u"MPR"), 0);
  EXPECT_LT(CompareLibraryKeys(u"win", u"wininet"), 0);
  EXPECT_GT(CompareLibraryKeys(u"wininet", u"win"), 0);
  EXPECT_LT(CompareLibraryKeys(u"", u"a"), 0);
  // Letters fold before comparing: '_' (0x5F) lies between 'Z' and 'a'.
  EXPECT_LT(CompareLibraryKeys(u"A_", u"AB"), 0);
  EXPECT_GT(CompareLibraryKeys(u"Z", u"_"), 0);
}

TEST(LibraryKey, OnlyNamesWithoutAnyPathAreBare) {
  EXPECT_TRUE(IsBareLibraryName(u"WinInet.dll"));
  EXPECT_TRUE(IsBareLibraryName(u"wininet"));
  EXPECT_FALSE(IsBareLibraryName(u".\\wininet.dll"));
  EXPECT_FALSE(IsBareLibraryName(u"./wininet.dll"));
  EXPECT_FALSE(IsBareLibraryName(u"C:wininet.dll"));
  EXPECT_FALSE(IsBareLibraryName(u"C:\\Windows\\System32\\wininet.dll"));
}

}  // namespace
}  // namespace skylaunch

#include "HandOffRules.h"

#include <gtest/gtest.h>

#include "Utf.h"

namespace skylaunch {
namespace {

TEST(HandOffRules, ReplaceExtension) {
  struct Case {
    std::u16string name, ext, expected;
  };
  const Case cases[] = {
      {u"Skylaunch24.exe", u".new", u"Skylaunch24.new"},
      {u"C:\\Shared\\Skylaunch24.exe", u".old", u"C:\\Shared\\Skylaunch24.old"},
      {u"C:\\dir.x\\file", u".old", u"C:\\dir.x\\file.old"},  // the dot belongs to the folder
      {u"C:file", u".new", u"C:file.new"},
      {u"name.tar.gz", u".new", u"name.tar.new"},
      {u"trailing.", u".new", u"trailing.new"},
      {u"", u".new", u".new"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplaceExtension(c.name, c.ext), c.expected) << ToUtf8(c.name);
}

TEST(HandOffRules, ParametersAreJoinedAndTrimmed) {
  EXPECT_EQ(JoinParameters({}), u"");
  EXPECT_EQ(JoinParameters({u"/WebInstall", u"/q"}), u"/WebInstall /q");
  EXPECT_EQ(JoinParameters({u"a b", u" c\t"}), u"a b  c");  // only the ends are trimmed; no quotes
  EXPECT_EQ(JoinParameters({u"", u"/q"}), u"/q");
  EXPECT_EQ(TrimText(u"\r\n /q \x01"), u"/q");
}

TEST(HandOffRules, CommandLinesQuoteThePaths) {
  EXPECT_EQ(LauncherCommandLine(u"C:\\Program Files\\S\\Skylaunch24.exe", u""),
            u"\"C:\\Program Files\\S\\Skylaunch24.exe\" /WebInstall ");
  EXPECT_EQ(LauncherCommandLine(u"C:\\S\\Skylaunch24.exe", u"/q"), u"\"C:\\S\\Skylaunch24.exe\" /WebInstall /q");
  // Both runs of a configuration pass appended the parameters: they arrive twice.
  EXPECT_EQ(InstallerCommandLine(u"C:\\Program Files\\Common Files\\Tarvosa Shared\\S24Launch.exe",
                                 u"/WebInstall /q /WebInstall /q"),
            u"\"C:\\Program Files\\Common Files\\Tarvosa Shared\\S24Launch.exe\" /WebInstall /q /WebInstall /q");
}

}  // namespace
}  // namespace skylaunch

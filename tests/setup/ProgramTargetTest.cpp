#include "ProgramTarget.h"

#include <gtest/gtest.h>

#include "SetupRules.h"

namespace skylaunch {
namespace {

TEST(ProgramTarget, OnlyTheFirstParameterSelectsTheConfigurationRun) {
  EXPECT_EQ(ProgramTargetFromParameters({}), ptSkylaunch);
  EXPECT_EQ(ProgramTargetFromParameters({u"/WebInstall"}), ptWebConfig);
  EXPECT_EQ(ProgramTargetFromParameters({u"/webinstall", u"/q"}), ptWebConfig);
  EXPECT_EQ(ProgramTargetFromParameters({u"/q", u"/WebInstall"}), ptSkylaunch);
  EXPECT_EQ(ProgramTargetFromParameters({u"/WebInstall2"}), ptSkylaunch);
  EXPECT_EQ(ProgramTargetFromParameters({u""}), ptSkylaunch);
  static_assert(sizeof(TProgramTarget) == 1);
}

TEST(ProgramTarget, TablesOfTheThreeTargets) {
  EXPECT_EQ(TargetCaption(ptSkylaunch), u"24 Sky Launch");
  EXPECT_EQ(TargetCaption(ptWebConfig), u"24 Setup");
  EXPECT_EQ(TargetCaption(ptWebInstall), u"24 Setup");
  EXPECT_EQ(TargetComponent(ptSkylaunch), u"Skylaunch24.exe");
  EXPECT_EQ(TargetComponent(ptWebConfig), u"S24Launch.dat");
  EXPECT_EQ(TargetComponent(ptWebInstall), u"S24Launch.exe");
  EXPECT_EQ(TargetProduct(ptSkylaunch), u"Skylaunch");
  EXPECT_EQ(TargetProduct(ptWebConfig), u"Configuration");
  EXPECT_EQ(TargetProduct(ptWebInstall), u"Setup");
  EXPECT_EQ(TargetVersionFileName(ptSkylaunch), u"Skylaunch24.ver");
  EXPECT_EQ(TargetVersionFileName(ptWebConfig), u"S24Launch.id");
  EXPECT_EQ(TargetVersionFileName(ptWebInstall), u"S24Launch.ver");
  EXPECT_THROW(TargetCaption(static_cast<TProgramTarget>(3)), std::out_of_range);
}

TEST(SetupRules, IniFileNameAndCatalogQuery) {
  EXPECT_EQ(InstallIniFileName(u"C:\\Shared"), u"C:\\Shared\\Install.ini");
  EXPECT_EQ(InstallIniFileName(u"C:\\Shared\\"), u"C:\\Shared\\Install.ini");
  EXPECT_EQ(CatalogQueryURL(u"https://h", u"2024", u"Release"),
            u"https://h/v3/release-catalog/tarvosa-loader-app?major-version=2024&status=Release");
  // Inserted exactly as read, without escaping.
  EXPECT_EQ(CatalogQueryURL(u"https://h", u"20 25", u"Be&ta"),
            u"https://h/v3/release-catalog/tarvosa-loader-app?major-version=20 25&status=Be&ta");
}

}  // namespace
}  // namespace skylaunch

#include <gtest/gtest.h>

#include "ManifestSamples.h"
#include "Utf.h"
#include "ZaltoManifestBinding.h"

namespace skylaunch {
namespace {

TEST(GetFileItemByComponentName, FindsTheFirstItemWhoseNameMatchesIgnoringAsciiCase) {
  auto manifest = TZaltoManifest::CreateObjectFromString(samples::kReleaseManifest);
  const TFileItem* installer = manifest->FileItems()[1].get();
  for (const char16_t* name : {u"S24Launch.exe", u"s24launch.exe", u"S24LAUNCH.EXE", u"s24LaUnCh.ExE"}) {
    EXPECT_EQ(manifest->GetFileItemByComponentName(name), installer) << ToUtf8(name);
  }
  EXPECT_EQ(installer->Urn(), u"https://files.example.test/S24Launch.exe");

  // No trimming, no path handling, no partial match, no other field.
  for (const char16_t* name : {u"S24Launch.exe ", u" S24Launch.exe", u"S24Launch", u"x\\S24Launch.exe",
                               u"TRV", u"Setup", u"S24Launch.ex"}) {
    EXPECT_EQ(manifest->GetFileItemByComponentName(name), nullptr) << ToUtf8(name);
  }
}

TEST(GetFileItemByComponentName, OrderNullElementsAndEmptyNames) {
  auto manifest = TZaltoManifest::CreateObjectFromString(
      uR"({"FileItems": [null, {"FileName": "s24launch.EXE", "Urn": "first"}, {"FileName": "S24Launch.exe "},
                         {"FileName": "S24Launch.exe", "Urn": "second"}, {"Urn": "unnamed"}, {"FileName": ""},
                         {"FileName": "\u00c9t\u00e9.exe"}]})");
  const ArrayOfFileItems& items = manifest->FileItems();
  EXPECT_EQ(manifest->GetFileItemByComponentName(u"S24Launch.exe"), items[1].get());
  EXPECT_EQ(manifest->GetFileItemByComponentName(u"S24Launch.exe "), items[2].get());
  EXPECT_EQ(manifest->GetFileItemByComponentName(u""), items[4].get());
  // Only A to Z fold: other letters compare as they stand.
  EXPECT_EQ(manifest->GetFileItemByComponentName(u"\u00c9t\u00e9.exe"), items[6].get());
  EXPECT_EQ(manifest->GetFileItemByComponentName(u"\u00e9t\u00e9.exe"), nullptr);
  EXPECT_EQ(manifest->GetFileItemByComponentName(u"\u00c9T\u00e9.EXE"), items[6].get());
}

TEST(ReleaseVersion, ComposedFromTheFirstRevisionOnly) {
  struct Case {
    std::u16string revisions;  // value of "ProductReleaseRevision"
    std::u16string complete;
    std::u16string major;
  };
  const Case cases[] = {
      {uR"([{"Major": "2024", "Minor": "2", "Revision": "15"}, {"Major": "2023"}])", u"2024.2.15.0", u"2024"},
      {uR"([{"Major": "2024"}])", u"2024...0", u"2024"},
      {uR"([{}])", u"...0", u""},
      {uR"([])", u"", u""},
      {uR"(null)", u"", u""},
      {uR"([null, {"Major": "2024"}])", u"", u""},
      {uR"([{"major": "2025", "MINOR": "1", "revision": "3", "Build": "9"}])", u"2025.1.3.0", u"2025"},
  };
  for (const auto& c : cases) {
    auto manifest =
        TZaltoManifest::CreateObjectFromString(u"{\"ProductReleaseRevision\": " + c.revisions + u"}");
    EXPECT_EQ(manifest->GetCompleteReleaseVersion(), c.complete) << ToUtf8(c.revisions);
    EXPECT_EQ(manifest->GetReleaseMajorVersion(), c.major) << ToUtf8(c.revisions);
  }
  EXPECT_EQ(TZaltoManifest().GetCompleteReleaseVersion(), u"");
}

}  // namespace
}  // namespace skylaunch

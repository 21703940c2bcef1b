#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "ManifestSamples.h"
#include "Utf.h"
#include "ZaltoManifestBinding.h"

namespace skylaunch {
namespace {

using KeyStyle = std::function<char16_t(char16_t c, size_t index)>;

// Rewrites every member name of a JSON text (a string followed by ':') letter by letter,
// leaving the values alone.
std::u16string RespellKeys(const std::u16string& json, const KeyStyle& style) {
  std::u16string out = json;
  for (size_t open = out.find(u'"'); open != std::u16string::npos;) {
    const size_t close = out.find(u'"', open + 1);
    const size_t next = out.find_first_not_of(u' ', close + 1);
    if (next != std::u16string::npos && out[next] == u':') {
      for (size_t i = open + 1; i < close; ++i) out[i] = style(out[i], i - open - 1);
    }
    open = out.find(u'"', close + 1);
  }
  return out;
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }
char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

std::u16string JsonOf(const std::u16string& text) {
  return TZaltoManifest::CreateObjectFromString(text)->GetAsJson();
}

TEST(ManifestBinding, MemberNamesMatchWhateverTheirLetterCase) {
  const std::u16string canonical = JsonOf(samples::kReleaseManifest);
  ASSERT_NE(canonical.find(u"Spring update"), std::u16string::npos);
  ASSERT_NE(canonical.find(u"24.2.15.4711"), std::u16string::npos);
  const std::pair<const char*, KeyStyle> styles[] = {
      {"lower", [](char16_t c, size_t) { return Lower(c); }},
      {"upper", [](char16_t c, size_t) { return Upper(c); }},
      {"camel", [](char16_t c, size_t i) { return i == 0 ? Lower(c) : c; }},
      {"alternating", [](char16_t c, size_t i) { return i % 2 ? Upper(c) : Lower(c); }},
  };
  for (const auto& [name, style] : styles) {
    EXPECT_EQ(JsonOf(RespellKeys(samples::kReleaseManifest, style)), canonical) << name;
  }
}

TEST(ManifestBinding, LastOfDuplicateMembersWins) {
  auto manifest = TZaltoManifest::CreateObjectFromString(
      uR"({"Id": 1, "Id": 2,
           "FileItems": [{"FileName": "first.exe", "filename": "second.exe", "Urn": "u1", "URN": "u2"}],
           "fileItems": [{"FileName": "third.exe"}, {"FileName": "fourth.exe"}]})");
  EXPECT_EQ(manifest->Id(), 2);
  ASSERT_EQ(manifest->FileItems().size(), 2u);
  EXPECT_EQ(manifest->FileItems()[0]->FileName(), u"third.exe");

  manifest = TZaltoManifest::CreateObjectFromString(
      uR"({"FileItems": [{"FileName": "first.exe", "filename": "second.exe", "Urn": "u1", "URN": "u2"}]})");
  EXPECT_EQ(manifest->FileItems()[0]->FileName(), u"second.exe");
  EXPECT_EQ(manifest->FileItems()[0]->Urn(), u"u2");

  // The last member is the one found even when its value does not fit the property.
  manifest = TZaltoManifest::CreateObjectFromString(
      uR"({"Id": 5, "ID": "6", "ProductCode": "A", "productcode": 7})");
  EXPECT_EQ(manifest->Id(), 0);
  EXPECT_EQ(manifest->ProductCode(), u"");
}

TEST(ManifestBinding, ArraysThatAreAbsentEmptyOrNotArraysStayEmpty) {
  const std::u16string documents[] = {
      u"{}",
      uR"({"FileItems": []})",
      uR"({"FileItems": null})",
      uR"({"FileItems": {"FileName": "S24Launch.exe"}})",
      uR"({"FileItems": "S24Launch.exe", "ProductReleaseRevision": {"Major": "2024"}})",
  };
  for (const auto& document : documents) {
    auto manifest = TZaltoManifest::CreateObjectFromString(document);
    EXPECT_TRUE(manifest->FileItems().empty()) << ToUtf8(document);
    EXPECT_TRUE(manifest->ProductReleaseRevision().empty()) << ToUtf8(document);
    EXPECT_EQ(manifest->GetFileItemByComponentName(u"S24Launch.exe"), nullptr);
    EXPECT_EQ(manifest->GetFileItemByComponentName(u""), nullptr);
    EXPECT_EQ(manifest->GetAsJson(),
              uR"({"FileItems":[],"Id":0,"MajorVersion":"","ProductCode":"",)"
              uR"("ProductReleaseRevision":[]})");
  }
}

TEST(ManifestBinding, ArrayEntriesOfTheWrongTypeKeepTheirPlace) {
  auto manifest = TZaltoManifest::CreateObjectFromString(
      uR"({"FileItems": [null, 5, [{"FileName": "nested.exe"}], {"FileName": "S24Launch.exe",
           "Metadata": {"Manifest": {"PreparationSteps": [{"Arguments": ["a", 1, null, {}, "b"]}, "x"]}}}]})");
  const ArrayOfFileItems& items = manifest->FileItems();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0], nullptr);
  EXPECT_EQ(items[1], nullptr);
  EXPECT_EQ(items[2], nullptr);
  EXPECT_EQ(manifest->GetFileItemByComponentName(u"S24Launch.exe"), items[3].get());
  const ArrayOfActions& steps = items[3]->Metadata()->Manifest()->PreparationSteps();
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0]->Arguments(), (ArrayOfText{u"a", u"", u"", u"", u"b"}));
  EXPECT_EQ(steps[1], nullptr);
}

TEST(ManifestBinding, ValuesOfTheWrongTypeLeaveTheInitialValue) {
  struct Case {
    std::u16string value;
    int32_t id;          // "Id" set to the value
    std::u16string urn;  // "Urn" set to the value
    bool hasDependencies;
    bool metadata;
  };
  const Case cases[] = {
      {u"12", 12, u"", false, false},
      {u"-2147483648", INT32_MIN, u"", false, false},
      {u"2147483647", INT32_MAX, u"", false, false},
      {u"2147483648", 0, u"", false, false},
      {u"-2147483649", 0, u"", false, false},
      {u"18446744073709551616", 0, u"", false, false},
      {u"12.0", 0, u"", false, false},
      {u"1e2", 0, u"", false, false},
      {u"\"12\"", 0, u"12", false, false},
      {u"true", 0, u"", true, false},
      {u"false", 0, u"", false, false},
      {u"null", 0, u"", false, false},
      {u"[1]", 0, u"", false, false},
      {u"{}", 0, u"", false, true},
  };
  for (const auto& c : cases) {
    const std::u16string v = c.value;
    auto manifest = TZaltoManifest::CreateObjectFromString(u"{\"FileItems\": [{\"Id\": " + v +
                                                           u", \"Urn\": " + v + u", \"HasDependencies\": " +
                                                           v + u", \"Metadata\": " + v + u"}]}");
    const TFileItem& item = *manifest->FileItems().at(0);
    EXPECT_EQ(item.Id(), c.id) << ToUtf8(v);
    EXPECT_EQ(item.Urn(), c.urn) << ToUtf8(v);
    EXPECT_EQ(item.HasDependencies(), c.hasDependencies) << ToUtf8(v);
    EXPECT_EQ(item.Metadata() != nullptr, c.metadata) << ToUtf8(v);
  }
}

TEST(ManifestBinding, NestedMetadataAndInstallManifestAreBound) {
  auto manifest = TZaltoManifest::CreateObjectFromString(samples::kReleaseManifest);
  ASSERT_EQ(manifest->FileItems().size(), 2u);
  EXPECT_EQ(manifest->FileItems()[0]->Metadata(), nullptr);

  const TFileItem& item = *manifest->FileItems()[1];
  EXPECT_EQ(item.Size(), 734003);
  EXPECT_TRUE(item.HasDependencies());
  EXPECT_EQ(item.Build(), u"4711");
  ASSERT_NE(item.Metadata(), nullptr);
  EXPECT_EQ(item.Metadata()->Subcomponent(), u"Setup");
  const TManifest* install = item.Metadata()->Manifest();
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->Version(), u"1.0");
  EXPECT_TRUE(install->IsGlobal());
  ASSERT_EQ(install->PreparationSteps().size(), 1u);
  EXPECT_EQ(install->PreparationSteps()[0]->RelativeActionFilePath(), u"bin\\svc.exe");
  EXPECT_EQ(install->PreparationSteps()[0]->InputValues(), (ArrayOfText{u"a", u"b"}));
  ASSERT_EQ(install->InstallationAction().size(), 1u);
  EXPECT_EQ(install->InstallationAction()[0]->Arguments(), (ArrayOfText{u"/silent", u"/norestart"}));
  EXPECT_TRUE(install->InstallationAction()[0]->IsAsync());
  EXPECT_TRUE(install->UnInstallationActions().empty());
  ASSERT_EQ(install->FileList().size(), 2u);
  EXPECT_EQ(install->FileList()[0]->Version(), u"24.2.15.4711");
  EXPECT_EQ(install->FileList()[1]->Version(), u"");

  const TProductReleaseRevision& revision = *manifest->ProductReleaseRevision()[0];
  EXPECT_EQ(revision.ProductId(), 3);
  EXPECT_EQ(revision.RevisionCreatedBy(), u"build");
  EXPECT_EQ(revision.Notes(), u"Spring update");
}

}  // namespace
}  // namespace skylaunch

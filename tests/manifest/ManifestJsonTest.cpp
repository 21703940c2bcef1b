#include <gtest/gtest.h>

#include "ManifestJson.h"
#include "ManifestSamples.h"
#include "Utf.h"
#include "ZaltoManifestBinding.h"

namespace skylaunch {
namespace {

using namespace std::string_literals;

std::u16string Repeat(std::u16string_view piece, size_t count) {
  std::u16string out;
  out.reserve(piece.size() * count);
  for (size_t i = 0; i < count; ++i) out += piece;
  return out;
}

TEST(GetAsJson, WritesEveryPropertyInDeclarationOrderAndNothingElse) {
  auto manifest = TZaltoManifest::CreateObjectFromString(
      uR"({
      "Extra": 1, "Id": 12, "productCode": "TRV",
      "FileItems": [{"FileName": "a.exe", "Unknown": {"x": 1}},
                    {"fileName": "b.exe", "Metadata": {"Subcomponent": "S", "Manifest": {
                        "PreparationSteps": [{}], "FileList": [{}, null]}}},
                    {"Metadata": {}}],
      "ProductReleaseRevision": [{"Notes": "n", "Major": "2024"}]})");
  const std::u16string item = uR"("HasDependencies":false,"Hash":"","Id":0,"MajorVersion":"",)";
  const std::u16string itemTail =
      uR"("MinorVersion":"","ProductCode":"","ReleaseStatus":"","Revision":"","Size":0,"Tag":"",)"
      uR"("Timestamp":"","Urn":""})";
  EXPECT_EQ(
      manifest->GetAsJson(),
      uR"({"FileItems":[)"
      uR"({"Build":"","FileName":"a.exe",)" +
          item + uR"("Metadata":null,)" + itemTail + u"," + uR"({"Build":"","FileName":"b.exe",)" + item +
          uR"("Metadata":{"Subcomponent":"S","Manifest":{"Version":"","IsGlobal":false,)"
          uR"("PreparationSteps":[{"Action":"","RelativeActionFilePath":"","InputValues":[],"Arguments":[],)"
          uR"("IsAsync":false}],"InstallationAction":[],"UnInstallationActions":[],)"
          uR"("FileList":[{"RelativeFullName":"","Version":""},null]}},)" +
          itemTail + u"," + uR"({"Build":"","FileName":"",)" + item +
          uR"("Metadata":{"Subcomponent":"","Manifest":null},)" + itemTail +
          uR"(],"Id":12,"MajorVersion":"","ProductCode":"TRV","ProductReleaseRevision":[)"
          uR"({"Id":0,"Major":"2024","Minor":"","ProductId":0,"ReleaseDate":"","ReleaseStatus":"",)"
          uR"("Revision":"","RevisionCreatedBy":"","Notes":"n"}]})");
}

TEST(GetAsJson, SecondRoundTripGivesIdenticalText) {
  const std::u16string documents[] = {
      samples::kReleaseManifest,
      uR"({"ProductCode": "q\"b\\s/\b\f\n\r\t\u0001\u0000\u007f \u00e9 \ud83d\ude00 \u2028 end"})",
      uR"({"Id": -2147483648, "FileItems": [null, {"Size": 2147483647, "Id": -0}]})",
  };
  for (const auto& document : documents) {
    const std::u16string first = TZaltoManifest::CreateObjectFromString(document)->GetAsJson();
    const std::u16string second = TZaltoManifest::CreateObjectFromString(first)->GetAsJson();
    EXPECT_EQ(first, second) << ToUtf8(document);
    EXPECT_EQ(first.find(u'\n'), std::u16string::npos);
  }
  auto manifest = TZaltoManifest::CreateObjectFromString(
      TZaltoManifest::CreateObjectFromString(documents[1])->GetAsJson());
  EXPECT_EQ(manifest->ProductCode(), u"q\"b\\s/\b\f\n\r\t\u0001\0\u007f \u00e9 \U0001F600 \u2028 end"s);
}

TEST(TJsonText, MalformedTextReportsWhereItFailed) {
  std::u16string loneSurrogate = u"{\"Urn\": \"a";
  loneSurrogate += char16_t(0xD800);
  loneSurrogate += u"b\"}";
  struct Case {
    std::u16string text;
    size_t offset;
  };
  const Case cases[] = {
      {u"", 0},
      {u"   ", 3},
      {u"{\"Id\": 12,}", 10},
      {u"{\"Id\" 12}", 6},
      {u"{\"FileItems\": [1, 2}", 19},
      {u"{\"Id\": 01}", 8},
      {u"{\"Id\": 1e}", 9},
      {u"{\"Id\": NaN}", 7},
      {u"{\"Id\": 'x'}", 7},
      {u"{} x", 3},
      {u"{\"Urn\": \"a\\x\"}", 10},
      {u"{}\0{}"s, 2},
      {u"{\"Urn\": \"a\0\"}"s, 10},
      {u"{\"Urn\": \"\\uD800x\"}", 9},
      {u"{\"Urn\": \"\\uDC00\"}", 16},
      {u"{\"\\uDFFF\\uD800\": 1}", 8},
      {loneSurrogate, 13},
      {Repeat(u"[", 100000), 100000},
  };
  for (const auto& c : cases) {
    try {
      TJsonText json(c.text);
      ADD_FAILURE() << "accepted: " << ToUtf8(c.text.substr(0, 40));
    } catch (const EJsonParseError& error) {
      EXPECT_EQ(error.Offset(), c.offset) << error.what();
      EXPECT_NE(error.Message().find(u"(offset " + FromUtf8(std::to_string(c.offset)) + u")"),
                std::u16string::npos)
          << error.what();
    }
  }
}

TEST(CreateObjectFromString, RejectsWellFormedTextThatIsNotAnObject) {
  for (const char16_t* text : {u"[]", u"\"S24Launch.exe\"", u"12", u"null", u"true", u" [{}] "}) {
    try {
      TZaltoManifest::CreateObjectFromString(text);
      ADD_FAILURE() << ToUtf8(text);
    } catch (const EJsonParseError&) {
      ADD_FAILURE() << ToUtf8(text);
    } catch (const ExceptionLite& error) {
      EXPECT_EQ(error.Message(), u"The release manifest is not a JSON object.");
    }
  }
}

TEST(CreateObjectFromString, SurvivesHostileInput) {
  const size_t kDepth = 100000;
  // Nesting is walked only as far as the object model goes.
  auto manifest = TZaltoManifest::CreateObjectFromString(
      u"{\"Unknown\": " + Repeat(u"[", kDepth) + Repeat(u"]", kDepth) + u", \"FileItems\": " +
      Repeat(u"[", kDepth) + Repeat(u"]", kDepth) + u", \"ProductCode\": " + Repeat(u"{\"a\": ", kDepth) +
      u"1" + Repeat(u"}", kDepth) + u"}");
  ASSERT_EQ(manifest->FileItems().size(), 1u);
  EXPECT_EQ(manifest->FileItems()[0], nullptr);
  EXPECT_EQ(manifest->ProductCode(), u"");
  EXPECT_THROW(TZaltoManifest::CreateObjectFromString(Repeat(u"{\"a\":[", kDepth)), EJsonParseError);

  // Numbers that no property can hold, including exponents whose arithmetic overflows a C int.
  manifest = TZaltoManifest::CreateObjectFromString(
      u"{\"Id\": 0.0000000001e-2147483639, \"FileItems\": [{\"Id\": -1.5e-99999999999, \"Size\": 1e308},"
      u" {\"Id\": 1" +
      Repeat(u"0", 300) + u", \"Size\": -0." + Repeat(u"0", 10000) + u"1E-2147483647}]}");
  EXPECT_EQ(manifest->Id(), 0);
  ASSERT_EQ(manifest->FileItems().size(), 2u);
  for (const auto& item : manifest->FileItems()) {
    EXPECT_EQ(item->Id(), 0);
    EXPECT_EQ(item->Size(), 0);
  }
  // Beyond what a double holds the parser gives up with an error.
  for (const std::u16string& number : {u"1e309"s, u"-1e999999999"s, Repeat(u"9", 10000)}) {
    EXPECT_THROW(TZaltoManifest::CreateObjectFromString(u"{\"Id\": " + number + u"}"), EJsonParseError);
  }

  const std::u16string huge = Repeat(u"\u00e9x", 4 * 1024 * 1024);
  manifest = TZaltoManifest::CreateObjectFromString(u"{\"FileItems\": [{\"FileName\": \"big\", \"Urn\": \"" +
                                                    huge + u"\"}]}");
  EXPECT_EQ(manifest->GetFileItemByComponentName(u"BIG")->Urn(), huge);

  // A hundred thousand duplicates: still the last one.
  manifest = TZaltoManifest::CreateObjectFromString(u"{" + Repeat(u"\"id\": 1, ", 100000) + u"\"ID\": 2}");
  EXPECT_EQ(manifest->Id(), 2);
}

}  // namespace
}  // namespace skylaunch

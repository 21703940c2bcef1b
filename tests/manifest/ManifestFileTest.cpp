#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ExceptionLite.h"
#include "Handles.h"
#include "ManifestJson.h"
#include "ManifestSamples.h"
#include "SystemUtils.h"
#include "WinText.h"
#include "ZaltoManifestBinding.h"

namespace skylaunch {
namespace {

// A file name in the temporary folder, removed afterwards.
class TTempFile {
 public:
  explicit TTempFile(const char16_t* name) : fName(SystemTempFolder() + u"\\" + name) { Remove(); }
  ~TTempFile() { Remove(); }
  const std::u16string& Name() const { return fName; }

  void Write(const std::string& bytes) const {
    TFileHandle file(CreateFileW(as_wcstr(fName), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
  }
  std::string Read() const {
    TFileHandle file(
        CreateFileW(as_wcstr(fName), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
  }
  bool Remove() const { return DeleteFileW(as_wcstr(fName)) != 0; }

 private:
  std::u16string fName;
};

TEST(ManifestFile, NonAsciiTextSurvivesWriteAndRead) {
  auto manifest = TZaltoManifest::CreateObjectFromString(samples::kReleaseManifest);
  ArrayOfProductReleaseRevisions revisions;
  revisions.push_back(std::make_unique<TProductReleaseRevision>());
  revisions[0]->SetMajor(u"2024");
  revisions[0]->SetNotes(u"Gr\u00f6\u00dfe \u2013 \u20ac 5 \u2713 \U0001F600 \u65e5\u672c");
  manifest->SetProductReleaseRevision(std::move(revisions));
  manifest->SetProductCode(u"Caf\u00e9");

  TTempFile file(u"manifest-roundtrip.json");
  manifest->WriteToFile(file.Name());
  const std::string bytes = file.Read();
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.front(), '{');  // no byte-order mark
  EXPECT_NE(bytes.find("Caf\xC3\xA9"), std::string::npos);

  auto read = TZaltoManifest::CreateObjectFromFile(file.Name());
  EXPECT_EQ(read->ProductReleaseRevision()[0]->Notes(),
            u"Gr\u00f6\u00dfe \u2013 \u20ac 5 \u2713 \U0001F600 \u65e5\u672c");
  EXPECT_EQ(read->ProductCode(), u"Caf\u00e9");
  EXPECT_EQ(read->GetAsJson(), manifest->GetAsJson());
}

TEST(ManifestFile, BytesThatAreNotUtf8AreReadInTheAnsiCodePage) {
  TTempFile file(u"manifest-ansi.json");
  const std::string ansi = "{\"ProductCode\": \"Caf\xE9 \x80\"}";
  file.Write(ansi);
  wchar_t expected[16]{};
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE9 \x80", 3, expected, 16), 3);
  ASSERT_NE(expected[0], L'\xFFFD') << "code page " << GetACP();
  EXPECT_EQ(TZaltoManifest::CreateObjectFromFile(file.Name())->ProductCode(),
            u"Caf" + std::u16string(as_u16cstr(expected), 3));
  if (GetACP() == 1252) {
    EXPECT_EQ(TZaltoManifest::CreateObjectFromFile(file.Name())->ProductCode(), u"Caf\u00e9 \u20ac");
  }
}

TEST(ManifestFile, ReadsAFileThatAnotherHandleHasOpenForWriting) {
  TTempFile file(u"manifest-shared.json");
  file.Write("{\"FileItems\": [{\"FileName\": \"S24Launch.exe\", \"Urn\": \"https://x.test/a\"}]}");
  TFileHandle writer(CreateFileW(as_wcstr(file.Name()), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  auto manifest = TZaltoManifest::CreateObjectFromFile(file.Name());
  EXPECT_EQ(manifest->GetFileItemByComponentName(u"s24launch.exe")->Urn(), u"https://x.test/a");
}

TEST(ManifestFile, FailuresRaiseAndLeaveNoHandleOpen) {
  TTempFile missing(u"manifest-missing.json");
  try {
    TZaltoManifest::CreateObjectFromFile(missing.Name());
    ADD_FAILURE();
  } catch (const ExceptionLite& error) {
    EXPECT_EQ(error.Message(), u"Unable to open " + missing.Name());
  }

  TTempFile malformed(u"manifest-malformed.json");
  malformed.Write("{\"FileItems\": [");
  EXPECT_THROW(TZaltoManifest::CreateObjectFromFile(malformed.Name()), EJsonParseError);
  EXPECT_TRUE(malformed.Remove()) << "the file is still open";

  const std::u16string folder = SystemTempFolder();
  try {
    TZaltoManifest().WriteToFile(folder);
    ADD_FAILURE();
  } catch (const ExceptionLite& error) {
    EXPECT_EQ(error.Message(), u"Unable to create " + folder);
  }
}

}  // namespace
}  // namespace skylaunch

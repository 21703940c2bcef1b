// The download workflow under Wine against the local services: the whole exchange as the request
// log records it, the files it leaves behind, its status texts and progress, its failures, and
// aborts at every check point.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "DownloadProgram.h"
#include "DownloadProgramRules.h"
#include "ExceptionLite.h"
#include "PlatformHttp.h"
#include "ServiceControl.h"
#include "SystemUtils.h"
#include "Utf.h"
#include "WinText.h"
#include "libstate.h"
#include "local_services.h"
#include "orbInternetList.h"

namespace {

using namespace skylaunch;
using namespace skylaunch::local_services;
using skylaunch::testing::TLoggedRequest;
using skylaunch::testing::TServiceScenario;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::SizeIs;
using ::testing::StartsWith;

constexpr char16_t kProduct[] = u"Tarvosa ";
constexpr char16_t kComponent[] = u"S24Launch.dat";
constexpr char kFilePath[] = "/files/2024/Release/S24Launch.dat";
constexpr char kCatalogPath[] = "/v3/release-catalog/tarvosa-loader-app?major-version=2024&status=Release";
constexpr char kStamp[] = "Tue, 05 Mar 2024 18:00:00 GMT";

const std::vector<std::u16string> kStatuses = {
    u"Setting up connection...", u"Contacting download center...", u"Searching for download site...",
    u"Downloading...",           u"Comparing Tarvosa versions...", u"Contacting download center...",
    u"Downloading Tarvosa ...",
};

constexpr char16_t kUnavailable[] = u"The download center is currently unavailable. Please try again later.";
constexpr char16_t kNotFound[] =
    u"Unable to connect.  Please check your Internet connection.\n\nIf your connection is good and you still "
    u"get "
    u"this error, our \nserver may be unavailable at this time.  Please try again later.";
constexpr char16_t kCommunication[] =
    u"The program received a communication error.  Please check your internet connection.\r\n\r\nError: ";

std::u16string Text(const std::string& ascii) { return FromUtf8(ascii); }

std::u16string CatalogQueryURL() { return kCatalogURL + Text(kCatalogPath); }

// The bytes of a file, or nullopt when it cannot be read.
std::optional<std::string> ReadBytes(const std::u16string& name) {
  HANDLE file =
      CreateFileW(as_wcstr(name), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char piece[4096];
  DWORD read = 0;
  while (ReadFile(file, piece, sizeof piece, &read, nullptr) && read > 0) bytes.append(piece, read);
  CloseHandle(file);
  return bytes;
}

void WriteBytes(const std::u16string& name, const std::string& bytes) {
  HANDLE file = CreateFileW(as_wcstr(name), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(bytes.size(), written);
}

// The catalog file as the file origin serves it, read through Wine's view of the host.
std::string DemoFileBytes() {
  std::u16string name = u"Z:" + Text(SKYLAUNCH_TEST_CATALOG_DIR) + u"/2024/Release/S24Launch.dat";
  for (auto& c : name) c = c == u'/' ? u'\\' : c;
  return ReadBytes(name).value_or("<demo file unreadable>");
}

std::string TenThousandBytes() {
  std::string body;
  for (int i = 0; i < 10000; ++i) body += "0123456789abcdefghijklmnopqrstuvwxyz"[i % 36];
  return body;
}

// A fault on the file origin that serves a fixed Last-Modified. `keys` adds fault keys (with a
// trailing comma); `omit` names more headers to leave out.
std::string FilesFault(const std::string& keys = "", const std::string& omit = "") {
  return R"({"faults": [{"origin": "files", )" + keys + R"("omit_headers": ["Last-Modified")" + omit +
         R"(], "add_headers": [["Last-Modified", ")" + kStamp + R"("]]}]})";
}

// The file origin serves ten thousand bytes in place of the file, and the catalog describes them.
std::string TenThousandByteFault(const std::string& keys = "") {
  const std::string body = TenThousandBytes();
  TSha256 hash;
  hash.Update(body.data(), body.size());
  std::string scenario = FilesFault(R"("body": ")" + body + R"(", )" + keys);
  scenario.pop_back();  // the closing brace
  return scenario + R"(, "items": {"S24Launch.dat": {"Size": 10000, "Hash": ")" + ToUtf8(Sha256Text(hash.Finish())) +
         R"("}}})";
}

// A folder of its own for each test, removed with everything in it at the end.
class TTempFolder {
 public:
  TTempFolder() {
    static int counter = 0;
    fPath = SystemTempFolder() + u"\\skylaunch-download-" + Text(std::to_string(GetCurrentProcessId())) +
            u"-" + Text(std::to_string(++counter));
    CreateDirectoryW(as_wcstr(fPath), nullptr);
  }
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(as_wcstr(fPath)), ignored);
  }
  std::u16string File(const char16_t* name) const { return fPath + u"\\" + name; }

 private:
  std::u16string fPath;
};

// One Execute with recording events. A test may act on the workflow from the status and progress
// events, as the worker's handlers do.
struct TRun {
  std::u16string Component = kComponent;
  std::u16string URL = CatalogQueryURL();
  std::function<void(TDownloadProgram&, size_t statusIndex)> AtStatus;
  std::function<void(TDownloadProgram&, bool& stop)> AtProgress;

  std::vector<std::u16string> Statuses;
  std::vector<int32_t> Progress;
  int FileChanges = 0;
  std::optional<std::u16string> Error;
  int32_t DownloadSize = 0;
  std::u16string ErrorCode, ErrorMessage;

  void Execute(const std::u16string& destination, const std::u16string& versionFile) {
    TOwned<TDownloadProgram> program = Create<TDownloadProgram>();
    program->SetComponent(Component);
    program->SetProduct(kProduct);
    program->OnUpdateStatusText = [&](const std::u16string& text) {
      Statuses.push_back(text);
      if (AtStatus) AtStatus(*program, Statuses.size() - 1);
    };
    program->OnUpdateDownloadStatus = [&](int32_t status, bool& stop) {
      Progress.push_back(status);
      if (AtProgress) AtProgress(*program, stop);
    };
    program->OnFileChange = [&](TObject* sender) {
      EXPECT_EQ(program.get(), sender);
      ++FileChanges;
    };
    try {
      program->Execute(URL, destination, versionFile);
    } catch (const ExceptionLite& error) {
      Error = error.Message();
    }
    DownloadSize = program->DownloadSize();
    ErrorCode = program->ErrorCodeString();
    ErrorMessage = program->ErrorMessage();
  }
};

class DownloadProgramTest : public ::testing::Test {
 protected:
  std::vector<TLoggedRequest> Requests(const char* origin) { return fScenario.Control().Requests(origin); }
  void Scenario(const std::string& json) { fScenario.Control().SetScenario(json); }
  void Execute(TRun& run) { run.Execute(Destination, VersionFile); }

  TServiceScenario fScenario;
  TTempFolder fFolder;
  const std::u16string Destination = fFolder.File(u"S24Launch.dat");
  const std::u16string VersionFile = fFolder.File(u"S24Launch.ver");
  const std::string StampVersion = EncodeVersionText(u" " + Text(kStamp));
};

TEST_F(DownloadProgramTest, CompleteRunFetchesTheComponentAndRecordsItsVersion) {
  Scenario(FilesFault());
  TRun run;
  Execute(run);

  ASSERT_FALSE(run.Error) << ToUtf8(*run.Error);
  EXPECT_EQ(kStatuses, run.Statuses);
  EXPECT_EQ(DemoFileBytes(), ReadBytes(Destination));
  EXPECT_EQ(StampVersion, ReadBytes(VersionFile));  // UTF-16LE, leading blank, no mark, no terminator
  EXPECT_EQ(int32_t(DemoFileBytes().size()), run.DownloadSize);
  EXPECT_THAT(run.Progress, ElementsAre(0));  // 98 bytes div 4096
  EXPECT_EQ(1, run.FileChanges);
  EXPECT_EQ(u"200", run.ErrorCode);
  EXPECT_EQ(u"OK", run.ErrorMessage);

  // The token of the production environment, asked for the context "Tarvosa".
  const auto oauth = Requests("oauth");
  ASSERT_THAT(oauth, SizeIs(2));
  EXPECT_EQ("/oauth2/v1/clients", oauth[0].Path);
  EXPECT_THAT(oauth[0].Body, HasSubstr("x_app_token=" + ToUtf8(kAppTokenPROD)));
  EXPECT_THAT(oauth[0].Body, HasSubstr("x_client_context=Tarvosa"));
  EXPECT_EQ("/oauth2/v1/tokens/bearer", oauth[1].Path);

  const auto catalog = Requests("catalog");
  ASSERT_THAT(catalog, SizeIs(1));
  EXPECT_EQ("GET", catalog[0].Method);
  EXPECT_EQ(kCatalogPath, catalog[0].Path);
  EXPECT_EQ(200, catalog[0].Status);  // the catalog accepted the token
  // Token type, a blank and the token, once.
  EXPECT_THAT(catalog[0].HeaderValues("Authorization"), ElementsAre(MatchesRegex("\\w+ \\S+")));

  const auto files = Requests("files");
  ASSERT_THAT(files, SizeIs(1));
  EXPECT_EQ("GET", files[0].Method);
  EXPECT_EQ(kFilePath, files[0].Path);
  EXPECT_THAT(files[0].HeaderValues("Authorization"), IsEmpty());
}

TEST_F(DownloadProgramTest, VersionFileDecidesWhetherTheBodyIsFetched) {
  const struct {
    const char* Why;
    std::optional<std::string> Stored;  // nullopt: no version file
    bool Downloads;
  } cases[] = {
      {"same text", EncodeVersionText(u" " + Text(kStamp)), false},
      {"letter case differs", EncodeVersionText(u" TUE, 05 MAR 2024 18:00:00 GMT"), true},
      {"without the leading blank", EncodeVersionText(Text(kStamp)), true},
      {"empty version file", std::string(), true},
      {"no version file", std::nullopt, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    Scenario(FilesFault());
    WriteBytes(Destination, "installed build");
    DeleteFileW(as_wcstr(VersionFile));
    if (c.Stored) WriteBytes(VersionFile, *c.Stored);

    TRun run;
    Execute(run);
    ASSERT_FALSE(run.Error) << ToUtf8(*run.Error);
    EXPECT_EQ(1, run.FileChanges);
    EXPECT_EQ(c.Downloads ? DemoFileBytes() : "installed build", ReadBytes(Destination));
    EXPECT_EQ(c.Downloads ? StampVersion : c.Stored, ReadBytes(VersionFile));
    EXPECT_EQ(c.Downloads ? kStatuses.size() : kStatuses.size() - 1, run.Statuses.size());
    EXPECT_THAT(Requests("files"), SizeIs(1));
    fScenario.Control().Reset();
  }
}

TEST_F(DownloadProgramTest, MissingHeadersGiveAnEmptyVersionAndAnUnknownSize) {
  Scenario(FilesFault("", R"(, "Content-Length")"));  // Last-Modified is added back
  TRun withoutLength;
  Execute(withoutLength);
  ASSERT_FALSE(withoutLength.Error) << ToUtf8(*withoutLength.Error);
  EXPECT_EQ(-1, withoutLength.DownloadSize);
  EXPECT_EQ(DemoFileBytes(), ReadBytes(Destination));
  EXPECT_EQ(StampVersion, ReadBytes(VersionFile));

  Scenario(R"({"faults": [{"origin": "files", "omit_headers": ["Last-Modified"]}]})");
  TRun withoutStamp;
  Execute(withoutStamp);
  ASSERT_FALSE(withoutStamp.Error) << ToUtf8(*withoutStamp.Error);
  EXPECT_EQ(DemoFileBytes(), ReadBytes(Destination));
  EXPECT_EQ(std::string(), ReadBytes(VersionFile));  // empty: the next run downloads again
}

TEST_F(DownloadProgramTest, PlainSchemeOfTheAddressIsRequestedOverHttps) {
  const std::string address = "127.0.0.1:" + std::to_string(kFilesPort) + kFilePath;
  for (const std::string scheme : {"HTTP://", "hTtP://", "http://", "https://"}) {
    SCOPED_TRACE(scheme);
    Scenario(R"({"urns": {"S24Launch.dat": ")" + scheme + address + R"("}})");
    TRun run;
    Execute(run);
    ASSERT_FALSE(run.Error) << ToUtf8(*run.Error);
    EXPECT_EQ(DemoFileBytes(), ReadBytes(Destination));
    // The file origin speaks TLS only: a plain request would not have reached it.
    const auto files = Requests("files");
    ASSERT_THAT(files, SizeIs(1));
    EXPECT_EQ(kFilePath, files[0].Path);
    EXPECT_EQ(200, files[0].Status);
    fScenario.Control().Reset();
  }
}

TEST_F(DownloadProgramTest, FailuresRaiseTheirMessagesAndLeaveTheInstalledFilesAlone) {
  const struct {
    const char* Why;
    std::string Scenario;
    std::u16string Component;
    std::u16string Message;
    size_t FileRequests;
  } cases[] = {
      {"catalog 404", R"({"faults": [{"origin": "catalog", "path": "/v3/*", "status": 404}]})", kComponent,
       kUnavailable, 0},
      {"file 404", R"({"faults": [{"origin": "files", "status": 404}]})", kComponent, kUnavailable, 1},
      {"empty catalog body", R"({"faults": [{"origin": "catalog", "path": "/v3/*", "body": ""}]})",
       kComponent, kNotFound, 0},
      {"blank catalog body", R"({"faults": [{"origin": "catalog", "path": "/v3/*", "body": " \r\n\t"}]})",
       kComponent, kNotFound, 0},
      {"malformed JSON",
       R"({"faults": [{"origin": "catalog", "path": "/v3/*", "body": "{\"FileItems\": ["}]})", kComponent,
       kNotFound, 0},
      {"JSON that is no object", R"({"faults": [{"origin": "catalog", "path": "/v3/*", "body": "[]"}]})",
       kComponent, kNotFound, 0},
      {"component not listed", "{}", u"S24Unknown.exe", kNotFound, 0},
      {"empty address", R"({"urns": {"S24Launch.dat": ""}})", kComponent, u"Invalid URL ", 0},
      {"address without scheme",
       R"({"urns": {"S24Launch.dat": "127.0.0.1/files/2024/Release/S24Launch.dat"}})", kComponent,
       u"Invalid URL 127.0.0.1/files/2024/Release/S24Launch.dat", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    Scenario(c.Scenario);
    WriteBytes(Destination, "installed build");
    WriteBytes(VersionFile, "installed version");
    TRun run;
    run.Component = c.Component;
    Execute(run);
    EXPECT_EQ(c.Message, run.Error.value_or(u"<no error>"));
    EXPECT_EQ("installed build", ReadBytes(Destination));
    EXPECT_EQ("installed version", ReadBytes(VersionFile));
    EXPECT_EQ(0, run.FileChanges);
    EXPECT_THAT(Requests("files"), SizeIs(c.FileRequests));
    fScenario.Control().Reset();
  }
}

TEST_F(DownloadProgramTest, ComponentIsFoundInAnyLetterCase) {
  Scenario(FilesFault());
  TRun run;
  run.Component = u"s24LAUNCH.dat";
  Execute(run);
  ASSERT_FALSE(run.Error) << ToUtf8(*run.Error);
  EXPECT_EQ(DemoFileBytes(), ReadBytes(Destination));
}

TEST_F(DownloadProgramTest, PlatformFailuresCarryThePlatformsText) {
  // An origin of its own: the platform keeps connections to the trusted catalog alive between runs.
  TRun untrusted;
  untrusted.URL = kUntrustedURL + Text(kCatalogPath);
  Execute(untrusted);
  ASSERT_TRUE(untrusted.Error);
  EXPECT_THAT(ToUtf8(*untrusted.Error), StartsWith(ToUtf8(kCommunication)));
  EXPECT_EQ(u'.', untrusted.Error->back());
  EXPECT_GT(untrusted.Error->size(), std::u16string(kCommunication).size() + 1);  // some text of the platform

  TRun refused;
  refused.URL = kRefusedURL + Text(kCatalogPath);
  Execute(refused);
  ASSERT_TRUE(refused.Error);
  EXPECT_THAT(ToUtf8(*refused.Error), StartsWith(ToUtf8(kCommunication)));
  // Each run asked for a token of its own before the catalog request failed.
  EXPECT_THAT(Requests("oauth"), SizeIs(4));
}

TEST_F(DownloadProgramTest, FilesThatCannotBeWrittenAreReported) {
  const std::u16string missingFolder = fFolder.File(u"missing");
  Scenario(FilesFault());
  WriteBytes(VersionFile, "installed version");
  TRun destination;
  destination.Execute(missingFolder + u"\\S24Launch.dat", VersionFile);
  EXPECT_EQ(u"Unable to create file " + missingFolder + u"\\S24Launch.dat", destination.Error.value_or(u""));
  EXPECT_EQ("installed version", ReadBytes(VersionFile));  // a failed download changes no version

  TRun version;
  version.Execute(Destination, missingFolder + u"\\S24Launch.ver");
  EXPECT_EQ(u"Unable to write version file.", version.Error.value_or(u""));
  EXPECT_EQ(DemoFileBytes(), ReadBytes(Destination));
}

TEST_F(DownloadProgramTest, BodyThatEndsEarlyIsNeverTakenForAComplete) {
  const struct {
    const char* Why;
    std::string Keys;
  } cases[] = {
      {"connection dropped mid-body", R"("drop_after": 5000, )"},
      {"fewer bytes than announced", R"("content_length_extra": 1000, )"},
  };
  const std::u16string aborted = kCommunication + InternetErrorText(ERROR_INTERNET_CONNECTION_ABORTED) + u".";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    Scenario(TenThousandByteFault(c.Keys));
    WriteBytes(Destination, "installed build");
    WriteBytes(VersionFile, "installed version");
    TRun run;
    Execute(run);
    EXPECT_EQ(aborted, run.Error.value_or(u"<no error>"));
    EXPECT_EQ("installed build", ReadBytes(Destination));
    EXPECT_EQ("installed version", ReadBytes(VersionFile));
    EXPECT_FALSE(ReadBytes(Destination + u".part"));
    fScenario.Control().Reset();
  }
}

TEST_F(DownloadProgramTest, ErrorOfAProgressHandlerLeavesNoDownloadBehind) {
  Scenario(TenThousandByteFault());
  WriteBytes(VersionFile, "installed version");
  TRun run;
  run.AtProgress = [](TDownloadProgram&, bool&) { throw ExceptionLite(u"window gone"); };
  Execute(run);
  EXPECT_EQ(u"window gone", run.Error.value_or(u"<no error>"));
  EXPECT_FALSE(ReadBytes(Destination));
  EXPECT_FALSE(ReadBytes(Destination + u".part"));
  EXPECT_EQ("installed version", ReadBytes(VersionFile));
}

TEST_F(DownloadProgramTest, ProgressIsReportedPerPieceOfTheBody) {
  Scenario(TenThousandByteFault());
  TRun run;
  Execute(run);
  ASSERT_FALSE(run.Error) << ToUtf8(*run.Error);
  EXPECT_EQ(10000, run.DownloadSize);
  EXPECT_THAT(run.Progress, ElementsAre(1, 2, 2));  // after 4096, 8192 and 10000 bytes
  EXPECT_EQ(TenThousandBytes(), ReadBytes(Destination));
  EXPECT_EQ(StampVersion, ReadBytes(VersionFile));
}

TEST_F(DownloadProgramTest, AbortStopsAtEachCheckPointWithoutAnError) {
  constexpr size_t kNone = size_t(-1);
  const struct {
    const char* Where;
    size_t AbortAtStatus;  // index into kStatuses, or kNone
    bool AbortInProgress, StopInProgress;
    size_t OAuth, Catalog, Files;  // requests sent: none after the abort
    bool Compared;                 // the versions were compared before the stop
    std::u16string Component = kComponent;
  } cases[] = {
      {"setting up", 0, false, false, 0, 0, 0, false},
      {"contacting the catalog", 1, false, false, 2, 0, 0, false},
      {"contacting a catalog that lacks the component", 1, false, false, 2, 0, 0, false, u"S24Launch.exe"},
      {"searching", 2, false, false, 2, 1, 0, false},
      {"connecting to the file host", 3, false, false, 2, 1, 0, false},
      {"comparing", 4, false, false, 2, 1, 0, false},
      {"contacting the file host", 5, false, false, 2, 1, 0, false},
      {"starting the download", 6, false, false, 2, 1, 1, true},
      {"abort from the progress event", kNone, true, false, 2, 1, 1, true},
      {"stop from the progress event", kNone, false, true, 2, 1, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Where);
    Scenario(TenThousandByteFault());
    WriteBytes(Destination, "installed build");
    WriteBytes(VersionFile, "installed version");
    TRun run;
    run.Component = c.Component;
    run.AtStatus = [&](TDownloadProgram& program, size_t index) {
      if (index == c.AbortAtStatus) program.SetAbort(true);
    };
    run.AtProgress = [&](TDownloadProgram& program, bool& stop) {
      if (c.AbortInProgress) program.SetAbort(true);
      stop = c.StopInProgress;
    };
    Execute(run);

    EXPECT_FALSE(run.Error) << ToUtf8(run.Error.value_or(u""));
    // No status text follows an abort.
    const size_t shown = c.AbortAtStatus == kNone ? kStatuses.size() : c.AbortAtStatus + 1;
    EXPECT_THAT(run.Statuses, ElementsAreArray(kStatuses.begin(), kStatuses.begin() + shown));
    EXPECT_THAT(Requests("oauth"), SizeIs(c.OAuth));
    EXPECT_THAT(Requests("catalog"), SizeIs(c.Catalog));
    EXPECT_THAT(Requests("files"), SizeIs(c.Files));
    // A stopped download leaves the installed file and its version as they were.
    EXPECT_EQ("installed build", ReadBytes(Destination));
    EXPECT_EQ("installed version", ReadBytes(VersionFile));
    EXPECT_FALSE(ReadBytes(Destination + u".part"));
    EXPECT_EQ(c.Compared ? 1 : 0, run.FileChanges);
    EXPECT_THAT(run.Progress, SizeIs(c.AbortInProgress || c.StopInProgress ? 1 : 0));
    fScenario.Control().Reset();
  }
}

}  // namespace

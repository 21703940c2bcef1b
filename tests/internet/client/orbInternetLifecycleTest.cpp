// How requests of the asynchronous client start, end, fail and are abandoned, under Wine against
// the local services.
#include "orbInternet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

#include "ClientTestSupport.h"
#include "ServiceControl.h"
#include "Utf.h"
#include "local_services.h"
#include "orbInternetRules.h"

namespace {

using namespace skylaunch;
using namespace skylaunch::testing;
using namespace std::chrono_literals;
using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;

constexpr char16_t kDemoFile[] = u"/files/2024/Release/S24Launch.dat";

// /echo answers at once, /slow after a second.
const std::string kScenario = R"({"faults": [
    {"origin": "files", "path": "/echo", "body": "answer", "content_type": "text/plain"},
    {"origin": "files", "path": "/slow", "body": "late", "delay_headers": 1.0}]})";

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EInternetException& e) {
    return ToUtf8(e.Message());
  }
  return "(nothing raised)";
}

// Messages posted to the client's window from outside, as the reading threads post them.
void Post(TInternet& client, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  ASSERT_TRUE(PostMessageW(client.WindowHandle(), message, wParam, lParam));
  PumpFor(50ms);
}

TEST(ClientWindow, EachMessageFiresItsEvent) {
  auto client = Create<TInternet>();
  TClientEvents events;
  events.Attach(*client);
  Post(*client, WM_INTERNET_STATUS, esReDirect);
  Post(*client, WM_INTERNET_PROGRESS, 9, 10);
  // A size of -1 (headers not read) arrives as the unsigned value.
  Post(*client, WM_INTERNET_PROGRESS, 0, static_cast<LPARAM>(-1));
  Post(*client, WM_INTERNET_ERROR, 0);  // code 0 reports nothing
  Post(*client, WM_INTERNET_FINALIZE);
  Post(*client, WM_INTERNET_COMPLETE);
  Post(*client, WM_INTERNET_ERROR, ERROR_INTERNET_CANNOT_CONNECT);
  EXPECT_THAT(events.Sequence, ElementsAre("status:ReDirect", "progress:9/10", "progress:0/4294967295", "complete",
                                           "error:12029"));
  ASSERT_THAT(events.Errors, SizeIs(1));
  EXPECT_THAT(events.Errors[0], StartsWith("Internet Error: "));
  EXPECT_GT(events.Errors[0].size(), std::string("Internet Error: ").size());
  EXPECT_EQ(erOK, client->CurrentStatus());
  // Anything else is the platform's default.
  EXPECT_EQ(0, SendMessageW(client->WindowHandle(), WM_USER + 1, 0, 0));
}

TEST(ClientStart, BusyClientChangesNothing) {
  TServiceScenario scenario(kScenario);
  auto client = Create<TInternet>();
  TClientEvents events;
  events.Attach(*client);
  TMemoryStream body;
  ASSERT_EQ(erOK, client->Execute(&body, FilesURL(u"/slow")));
  EXPECT_EQ(erBusy, client->CurrentStatus());
  TMemoryStream other;
  EXPECT_EQ(erBusy, client->Execute(&other));
  EXPECT_EQ(erBusy, client->Execute(&other, FilesURL(u"/echo")));
  EXPECT_EQ(erBusy, client->Execute(u"never-made.bin"));
  EXPECT_EQ(erBusy, client->Execute(u"never-made.bin", FilesURL(u"/echo")));
  EXPECT_FALSE(std::filesystem::exists("never-made.bin"));
  EXPECT_EQ(FilesURL(u"/slow"), client->Request().URL());
  ASSERT_TRUE(RunToEnd(*client, events));
  EXPECT_EQ("late", body.Bytes());
  EXPECT_EQ("", other.Bytes());
  EXPECT_THAT(scenario.Control().Requests("files"), SizeIs(1));
}

TEST(ClientStart, FailuresBeforeTheSendRaiseAndLeaveTheClientIdle) {
  TServiceScenario scenario(kScenario);
  const std::string invalid = ToUtf8(kInvalidURLMessage);
  const std::pair<std::u16string, std::string> cases[] = {
      {u"127.0.0.1/files/x", invalid},
      {u"ftp://127.0.0.1/file", invalid},
      {u"", invalid},
      {u"https://", invalid},
      {u"http:///path", invalid},
  };
  auto client = Create<TInternet>();
  TClientEvents events;
  events.Attach(*client);
  for (const auto& [url, message] : cases) {
    SCOPED_TRACE(ToUtf8(url));
    client->Request().Headers() = {u"X-A: 1"};
    TMemoryStream body;
    EXPECT_EQ(message, MessageOf([&] { client->Execute(&body, url); }));
    EXPECT_EQ(erOK, client->CurrentStatus());
    EXPECT_EQ(csFinalized, client->CallbackStatus());
    EXPECT_THAT(client->Request().Headers(), IsEmpty());
  }
  EXPECT_EQ("Stream parameter was nil.", MessageOf([&] { client->Execute(nullptr, FilesURL(u"/echo")); }));
  EXPECT_EQ(erOK, client->CurrentStatus());
  PumpFor(200ms);
  EXPECT_THAT(events.Sequence, IsEmpty());
  EXPECT_THAT(scenario.Control().Requests(), IsEmpty());

  // The same client still works.
  TMemoryStream body;
  client->Execute(&body, FilesURL(u"/echo"));
  ASSERT_TRUE(RunToEnd(*client, events));
  EXPECT_EQ("answer", body.Bytes());
}

TEST(ClientFailure, AfterTheSendFailuresEndInOnInternetError) {
  TServiceScenario scenario(kScenario);
  struct TCase {
    const char* Name;
    std::u16string URL;
    int32_t ReceiveTimeout;
    std::vector<int32_t> Codes;
  };
  const TCase cases[] = {
      {"refused port", std::u16string(local_services::kRefusedURL) + u"/x", -1, {ERROR_INTERNET_CANNOT_CONNECT}},
      {"receive time-out", FilesURL(u"/slow"), 300,
       {ERROR_INTERNET_TIMEOUT, ERROR_INTERNET_CONNECTION_ABORTED}},
      // Windows names an unknown root 12045; this platform reports the failed chain as 12057.
      {"untrusted certificate", std::u16string(local_services::kUntrustedURL) + kDemoFile, -1,
       {ERROR_INTERNET_INVALID_CA, ERROR_INTERNET_SEC_CERT_REV_FAILED}},
  };
  auto client = Create<TInternet>();
  // A first request leaves its status, which a failed request does not clear.
  {
    TClientEvents events;
    events.Attach(*client);
    TMemoryStream body;
    client->Execute(&body, FilesURL(u"/echo"));
    ASSERT_TRUE(RunToEnd(*client, events));
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    client->SetReceiveTimeout(c.ReceiveTimeout);
    TClientEvents events;
    events.Attach(*client);
    TMemoryStream body;
    ASSERT_EQ(erOK, client->Execute(&body, c.URL));
    ASSERT_TRUE(RunToEnd(*client, events));
    EXPECT_EQ(0, events.Completions);
    ASSERT_THAT(events.ErrorCodes, SizeIs(1));
    EXPECT_THAT(c.Codes, ::testing::Contains(events.ErrorCodes[0]));
    EXPECT_THAT(events.Errors[0], StartsWith("Internet Error: "));
    EXPECT_EQ(erOK, client->CurrentStatus());
    EXPECT_EQ(200, client->Response().HTTPMessageCode());
  }
}

TEST(ClientFailure, ARequestStartedFromTheErrorEventRunsToItsEnd) {
  TServiceScenario scenario(kScenario);
  auto client = Create<TInternet>();
  TMemoryStream first;
  TMemoryStream retry;
  int errors = 0;
  int completions = 0;
  client->OnInternetError = [&](TInternet* sender, int32_t, const std::u16string&) {
    if (++errors == 1) sender->Execute(&retry, FilesURL(u"/echo"));
  };
  client->OnRequestComplete = [&](TInternet*) { ++completions; };
  client->Execute(&first, std::u16string(local_services::kRefusedURL) + u"/x");
  ASSERT_TRUE(PumpUntil([&] { return completions > 0; }, 10s));
  PumpFor(200ms);
  EXPECT_EQ(1, errors);
  EXPECT_EQ(1, completions);
  EXPECT_EQ("answer", retry.Bytes());
}

// A stream that takes `limit` bytes and then no more, as a full disk does.
class TLimitedStream : public TMemoryStream {
 public:
  explicit TLimitedStream(size_t limit) : fLimit(limit) {}

  size_t Write(const void* data, size_t count) override {
    return TMemoryStream::Write(data, std::min(count, fLimit - std::min<size_t>(Size(), fLimit)));
  }

 private:
  size_t fLimit;
};

TEST(ClientFailure, AStreamThatCannotTakeTheBodyFailsTheRequest) {
  const std::string body(20000, 'z');
  TServiceScenario scenario(R"({"faults": [{"origin": "files", "path": "/big", "body": ")" + body + R"("}]})");
  auto client = Create<TInternet>();
  TClientEvents events;
  events.Attach(*client);
  TLimitedStream stream(5000);
  client->Execute(&stream, FilesURL(u"/big"));
  ASSERT_TRUE(RunToEnd(*client, events));
  EXPECT_EQ(0, events.Completions);
  EXPECT_THAT(events.ErrorCodes, ElementsAre(ERROR_WRITE_FAULT));
  EXPECT_EQ(erOK, client->CurrentStatus());
}

TEST(ClientEvents, SuccessfulRequestReportsInOrder) {
  TServiceScenario scenario(R"({"faults": [{"origin": "files", "path": "/pieces", "body": ")" +
                            std::string(9000, 'p') + R"(", "piece_size": 3000, "delay_body": 0.05}]})");
  for (bool sendCompletion : {false, true}) {
    SCOPED_TRACE(sendCompletion ? "sent completion" : "posted completion");
    auto client = Create<TInternet>();
    client->SetOrbUpdateFixEnabled(sendCompletion);
    TClientEvents events;
    events.Attach(*client);
    TMemoryStream body;
    client->Execute(&body, FilesURL(u"/pieces"));
    ASSERT_TRUE(RunToEnd(*client, events));
    EXPECT_TRUE(events.IdleAtCompletion);
    EXPECT_EQ(9000u, body.Bytes().size());
    const auto& sequence = events.Sequence;
    ASSERT_GE(sequence.size(), 4u);
    EXPECT_EQ("status:Request Complete", sequence.back());
    const auto isProgress = [](const std::string& e) { return e.rfind("progress:", 0) == 0; };
    const auto firstProgress = std::find_if(sequence.begin(), sequence.end(), isProgress);
    ASSERT_NE(sequence.end(), firstProgress);
    EXPECT_NE(sequence.end(), std::find(sequence.begin(), firstProgress, "status:Connected To Server"));
    EXPECT_NE(sequence.end(), std::find(sequence.begin(), firstProgress, "status:Request Sent"));
    EXPECT_EQ("progress:8999/9000", *std::find_if(sequence.rbegin(), sequence.rend(), isProgress));
    EXPECT_EQ(1, std::count(sequence.begin(), sequence.end(), "complete"));
    // Posted, the completion follows every progress message; sent, it is handled at once and may
    // come before progress messages that were posted ahead of it and still wait in the queue.
    if (!sendCompletion) EXPECT_EQ("complete", *(sequence.end() - 2));
  }
}

TEST(ClientEvents, LogNamesEveryCallBeforeItIsMade) {
  TServiceScenario scenario(kScenario);
  // Made before the client, so that they outlive it: its destruction logs the calls that close it.
  std::mutex lock;  // calls are logged on the reading threads too
  std::vector<std::string> log;
  auto client = Create<TInternet>();
  client->OnInternetLog = [&](TInternet*, const std::u16string& message) {
    std::lock_guard<std::mutex> guard(lock);
    log.push_back(ToUtf8(message));
  };
  TClientEvents events;
  events.Attach(*client);
  TMemoryStream body;
  client->Execute(&body, FilesURL(u"/echo"));
  ASSERT_TRUE(RunToEnd(*client, events));
  std::lock_guard<std::mutex> guard(lock);
  ASSERT_GE(log.size(), 15u);
  EXPECT_THAT(std::vector<std::string>(log.begin(), log.begin() + 6),
              ElementsAre("API Call: InternetCrackURL", "API Call: InternetOpen",
                          "API Call: InternetSetstatusCallback (setting)", "API Call: InternetConnect",
                          "API Call: HTTPOpenRequest", "API Call: HTTPSendRequest"));
  EXPECT_THAT(std::vector<std::string>(log.end() - 4, log.end()),
              ElementsAre("API Call: InternetSetstatusCallback (closing)", "API Call: CloseHandle (request)",
                          "API Call: CloseHandle (session)", "API Call: CloseHandle (internet)"));
  const std::vector<std::string> middle(log.begin() + 6, log.end() - 4);
  EXPECT_THAT(middle, ::testing::IsSupersetOf({"API Call: HTTPEndRequest", "API Call: HttpQueryInfo (request buffer)",
                                               "API Call: HttpQueryInfo (retrieve)", "API Call: InternetReadFileEx"}));
}

TEST(ClientCancel, IdleClientStaysQuiet) {
  auto client = Create<TInternet>();
  TClientEvents events;
  events.Attach(*client);
  client->Cancel();
  client->Cancel();
  PumpFor(100ms);
  EXPECT_THAT(events.Sequence, IsEmpty());
  EXPECT_EQ(erOK, client->CurrentStatus());
  EXPECT_EQ(csFinalized, client->CallbackStatus());
}

TEST(ClientCancel, AbandonedRequestDoesNotReachTheNextOne) {
  TServiceScenario scenario(kScenario);
  auto client = Create<TInternet>();
  TMemoryStream abandoned;
  client->Execute(&abandoned, FilesURL(u"/slow"));
  PumpFor(100ms);
  client->Cancel();
  EXPECT_EQ(erOK, client->CurrentStatus());

  TClientEvents events;
  events.Attach(*client);
  TMemoryStream body;
  ASSERT_EQ(erOK, client->Execute(&body, FilesURL(u"/echo")));
  ASSERT_TRUE(RunToEnd(*client, events));
  // The platform still reports on the abandoned request once the slow answer comes.
  PumpFor(1500ms);
  EXPECT_EQ("answer", body.Bytes());
  EXPECT_EQ("", abandoned.Bytes());
  EXPECT_EQ(1, events.Completions);
  EXPECT_THAT(events.ErrorCodes, IsEmpty());
}

TEST(ClientCancel, SentCompletionDoesNotBlockCancel) {
  TServiceScenario scenario(kScenario);
  auto client = Create<TInternet>();
  client->SetOrbUpdateFixEnabled(true);
  TClientEvents events;
  events.Attach(*client);
  TMemoryStream body;
  client->Execute(&body, FilesURL(u"/echo"));
  // Without dispatching anything, wait until the completion is sending its first message.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) && std::chrono::steady_clock::now() < deadline) {
    Sleep(5);
  }
  ASSERT_TRUE(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE);
  client->Cancel();
  PumpFor(300ms);
  EXPECT_EQ(erOK, client->CurrentStatus());
  EXPECT_EQ(0, events.Completions);
}

TEST(ClientCancel, ClientFreedByItsCompletionHandler) {
  TServiceScenario scenario(kScenario);
  for (bool sendCompletion : {false, true}) {
    SCOPED_TRACE(sendCompletion ? "sent completion" : "posted completion");
    auto client = Create<TInternet>();
    client->SetOrbUpdateFixEnabled(sendCompletion);
    bool freed = false;
    client->OnRequestComplete = [&client, &freed](TInternet*) {
      freed = true;
      client.reset();
    };
    TMemoryStream body;
    client->Execute(&body, FilesURL(u"/echo"));
    ASSERT_TRUE(PumpUntil([&] { return freed; }, 10s));
    PumpFor(200ms);
    EXPECT_EQ("answer", body.Bytes());
  }
}

TEST(ClientFiles, BodyGoesToANewFileThatIsClosedAtTheEnd) {
  TServiceScenario scenario;
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "client-files-test.dat";
  {
    std::ofstream old(file);
    old << std::string(5000, 'o');  // an existing file is truncated
  }
  auto client = Create<TInternet>();
  TClientEvents events;
  events.Attach(*client);
  ASSERT_EQ(erOK, client->Execute(file.u16string(), FilesURL(kDemoFile)));
  ASSERT_TRUE(RunToEnd(*client, events));
  EXPECT_EQ(1, events.Completions);
  std::ifstream written(file, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
  written.close();
  EXPECT_EQ(0u, content.rfind("[Skylaunch]", 0));
  EXPECT_LT(content.size(), 5000u);
  EXPECT_TRUE(std::filesystem::remove(file));  // closed by the client
}

TEST(ClientFiles, EveryFailureNamesTheFile) {
  TServiceScenario scenario;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "client-no-such-folder";
  const std::u16string unreachable = (folder / "x.bin").u16string();
  const std::u16string writable = (std::filesystem::temp_directory_path() / "client-files-error.bin").u16string();
  auto client = Create<TInternet>();
  EXPECT_EQ(ToUtf8(UnableToCreateFileMessage(unreachable)),
            MessageOf([&] { client->Execute(unreachable, FilesURL(kDemoFile)); }));
  EXPECT_EQ(ToUtf8(UnableToCreateFileMessage(writable)), MessageOf([&] { client->Execute(writable, u"ftp://x/y"); }));
  EXPECT_EQ(erOK, client->CurrentStatus());
  // The file that the failed request made is closed again.
  EXPECT_TRUE(std::filesystem::remove(writable));
  // A caller's stream is used afterwards, and never taken for the client's own.
  TMemoryStream body;
  TClientEvents events;
  events.Attach(*client);
  client->Execute(&body, FilesURL(kDemoFile));
  ASSERT_TRUE(RunToEnd(*client, events));
  EXPECT_EQ(0u, body.Bytes().rfind("[Skylaunch]", 0));
}

}  // namespace

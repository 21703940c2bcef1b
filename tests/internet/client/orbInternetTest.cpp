// The asynchronous client against the local services under Wine: what goes on the wire (read
// back from the services' request log) and what the client makes of the answer.
#include "orbInternet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ClientTestSupport.h"
#include "ServiceControl.h"
#include "Utf.h"

namespace {

using namespace skylaunch;
using namespace skylaunch::testing;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

// The files origin answers /echo with a fixed body instead of its own handling, for every verb.
const std::string kEchoScenario =
    R"({"faults": [{"origin": "files", "path": "/echo", "body": "answer", "content_type": "text/plain"}]})";

struct TRun {
  TMemoryStream Body;
  TClientEvents Events;
  bool Ended = false;
};

// Runs the request that `client` holds to its end.
void RunRequest(TInternet& client, const std::u16string& url, TRun& run) {
  run.Events.Attach(client);
  ASSERT_EQ(erOK, client.Execute(&run.Body, url));
  run.Ended = RunToEnd(client, run.Events);
  ASSERT_TRUE(run.Ended);
}

TEST(ClientOperations, VerbPathAndBodyReachTheServer) {
  struct TCase {
    TInternetOperation Operation;
    std::string Method;
    std::string ReceivedBody;
  };
  const TCase cases[] = {
      {ioGET, "GET", "answer"},
      {ioPOST, "POST", "answer"},
      {ioHEAD, "HEAD", ""},
      // Anything else is sent as GET.
      {static_cast<TInternetOperation>(7), "GET", "answer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Method);
    TServiceScenario scenario(kEchoScenario);
    auto client = Create<TInternet>();
    client->Request().SetOperation(c.Operation);
    TRun run;
    RunRequest(*client, FilesURL(u"/echo?x=1&y=a%20b"), run);
    EXPECT_EQ(1, run.Events.Completions);
    EXPECT_THAT(run.Events.ErrorCodes, IsEmpty());
    EXPECT_EQ(c.ReceivedBody, run.Body.Bytes());
    EXPECT_EQ(200, client->Response().HTTPMessageCode());
    EXPECT_EQ(u"OK", client->Response().HTTPMessage());
    EXPECT_EQ(u"HTTP/1.1 200 OK", client->Response().Headers().at(0));

    const auto requests = scenario.Control().Requests("files");
    ASSERT_THAT(requests, SizeIs(1));
    EXPECT_EQ(c.Method, requests[0].Method);
    EXPECT_EQ("/echo?x=1&y=a%20b", requests[0].Path);
    EXPECT_EQ("", requests[0].Body);
    EXPECT_THAT(requests[0].HeaderValues("User-Agent"),
                ElementsAre("Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)"));
    EXPECT_THAT(requests[0].HeaderValues("Content-Type"), IsEmpty());
  }
}

TEST(ClientOperations, ResponseHeadersAndLastModifiedOfAFile) {
  TServiceScenario scenario;
  auto client = Create<TInternet>();
  TRun run;
  RunRequest(*client, FilesURL(u"/files/2024/Release/S24Launch.dat"), run);
  EXPECT_EQ(0u, run.Body.Bytes().rfind("[Skylaunch]", 0));
  EXPECT_THAT(ToUtf8(client->Response().LastModified()), ::testing::EndsWith(" GMT"));
  const auto& headers = client->Response().Headers();
  EXPECT_TRUE(std::count(headers.begin(), headers.end(),
                         u"Content-Length: " + FromUtf8(std::to_string(run.Body.Bytes().size()))) == 1);
}

TEST(ClientHeaderBlock, FormFieldsAreJoinedAfterTheClientsContentType) {
  TServiceScenario scenario(kEchoScenario);
  auto client = Create<TInternet>();
  auto& request = client->Request();
  request.SetOperation(ioPOST);
  request.PostData() = {u"a=1", u"b=2", u"name=J\u00FCrgen"};
  request.Headers() = {u"X-Caller: first", u"Content-Type: text/plain"};
  TRun run;
  RunRequest(*client, FilesURL(u"/echo"), run);

  const auto requests = scenario.Control().Requests("files");
  ASSERT_THAT(requests, SizeIs(1));
  EXPECT_EQ("a=1&b=2&name=J\xC3\xBCrgen", requests[0].Body);
  // The header block carries the client's line first and the caller's after it; the platform
  // sends one Content-Type, and the caller's later line is the one that stands.
  EXPECT_THAT(requests[0].HeaderValues("Content-Type"), ::testing::Contains("text/plain"));
  EXPECT_THAT(requests[0].HeaderValues("X-Caller"), ElementsAre("first"));
  EXPECT_THAT(requests[0].HeaderValues("Content-Length"), ElementsAre("20"));
  // The request's header lines, form fields and body are consumed by the request.
  EXPECT_THAT(request.Headers(), IsEmpty());
  EXPECT_THAT(request.PostData(), IsEmpty());
}

TEST(ClientHeaderBlock, PostStreamIsTheBodyWhateverTheVerb) {
  TServiceScenario scenario(kEchoScenario);
  auto client = Create<TInternet>();
  auto& request = client->Request();
  request.SetContentType(u"application/octet-stream");
  const std::string bytes("raw\x01\r\nbytes\xFF", 12);
  request.PostStream().Write(bytes.data(), bytes.size());
  TRun run;
  RunRequest(*client, FilesURL(u"/echo"), run);

  const auto requests = scenario.Control().Requests("files");
  ASSERT_THAT(requests, SizeIs(1));
  EXPECT_EQ("GET", requests[0].Method);
  EXPECT_EQ(bytes, requests[0].Body);
  EXPECT_THAT(requests[0].HeaderValues("Content-Length"), ElementsAre("12"));
  EXPECT_THAT(requests[0].HeaderValues("Content-Type"), ElementsAre("application/octet-stream"));
  EXPECT_EQ("", request.PostStream().Bytes());
}

TEST(ClientHeaderBlock, NothingIsAddedWithoutABody) {
  struct TCase {
    const char* Name;
    TInternetOperation Operation;
    std::vector<std::u16string> PostData;
    std::vector<std::u16string> Headers;
    std::vector<std::string> ExpectedCaller;
  };
  const TCase cases[] = {
      // Form fields count as a body only for a POST.
      {"GET with form fields", ioGET, {u"a=1"}, {}, {}},
      {"POST without body", ioPOST, {}, {}, {}},
      {"header lines only", ioGET, {}, {u"X-Caller: only"}, {"only"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TServiceScenario scenario(kEchoScenario);
    auto client = Create<TInternet>();
    client->Request().SetOperation(c.Operation);
    client->Request().PostData() = c.PostData;
    client->Request().Headers() = c.Headers;
    TRun run;
    RunRequest(*client, FilesURL(u"/echo"), run);
    const auto requests = scenario.Control().Requests("files");
    ASSERT_THAT(requests, SizeIs(1));
    EXPECT_EQ("", requests[0].Body);
    EXPECT_THAT(requests[0].HeaderValues("Content-Type"), IsEmpty());
    EXPECT_EQ(c.ExpectedCaller, requests[0].HeaderValues("X-Caller"));
    EXPECT_THAT(client->Request().PostData(), IsEmpty());
  }
}

TEST(ClientResponse, ProgressCountsFromMinusOneAgainstTheAnnouncedSize) {
  // 10 000 bytes in pieces of 3 000 with pauses, so the body arrives over several completions.
  const std::string body(10000, 'b');
  TServiceScenario scenario(R"({"faults": [{"origin": "files", "path": "/pieces", "body": ")" + body +
                            R"(", "piece_size": 3000, "delay_body": 0.05},
                               {"origin": "files", "path": "/nolength", "body": "0123456789",
                                "omit_headers": ["Content-Length"]}]})");
  {
    auto client = Create<TInternet>();
    TRun run;
    RunRequest(*client, FilesURL(u"/pieces"), run);
    EXPECT_EQ(body, run.Body.Bytes());
    ASSERT_FALSE(run.Events.Progress.empty());
    EXPECT_EQ(std::make_pair(9999u, 10000u), run.Events.Progress.back());
    for (const auto& [position, total] : run.Events.Progress) EXPECT_EQ(10000u, total);
    EXPECT_GE(run.Events.Progress.size(), 3u);
  }
  {
    // Without a length the body ends with the connection, and every report says 0.
    auto client = Create<TInternet>();
    TRun run;
    RunRequest(*client, FilesURL(u"/nolength"), run);
    EXPECT_EQ("0123456789", run.Body.Bytes());
    EXPECT_THAT(run.Events.Progress, ElementsAre(std::make_pair(9u, 0u)));
  }
}

TEST(ClientResponse, StatusOtherThanOKKeepsItsBodyAndReason) {
  TServiceScenario scenario(R"({"faults": [{"origin": "files", "path": "/missing", "status": 404,
                                            "body": "{\"error\": \"no\"}"}]})");
  auto client = Create<TInternet>();
  TRun run;
  RunRequest(*client, FilesURL(u"/missing"), run);
  EXPECT_EQ(1, run.Events.Completions);
  EXPECT_EQ(404, client->Response().HTTPMessageCode());
  EXPECT_EQ(u"Not Found", client->Response().HTTPMessage());
  EXPECT_EQ("{\"error\": \"no\"}", run.Body.Bytes());
}

TEST(ClientResponse, AfterCompletionTheStreamIsRewoundAndTheClientIdle) {
  TServiceScenario scenario(kEchoScenario);
  auto client = Create<TInternet>();
  TRun run;
  run.Body.Write("kept:", 5);
  RunRequest(*client, FilesURL(u"/echo"), run);
  EXPECT_TRUE(run.Events.IdleAtCompletion);
  EXPECT_EQ(erOK, client->CurrentStatus());
  EXPECT_EQ(csFinalized, client->CallbackStatus());
  EXPECT_EQ(0u, run.Body.Position());
  std::string all(64, '\0');
  all.resize(run.Body.Read(all.data(), all.size()));
  EXPECT_EQ("kept:answer", all);
}

TEST(ClientResponse, ManyHeaderLinesAreReadWhole) {
  TServiceScenario scenario(R"({"faults": [{"origin": "files", "path": "/echo", "body": "x",
                                            "extra_headers": 400}]})");
  auto client = Create<TInternet>();
  TRun run;
  RunRequest(*client, FilesURL(u"/echo"), run);
  const auto& headers = client->Response().Headers();
  EXPECT_EQ(200, client->Response().HTTPMessageCode());
  EXPECT_EQ(400, std::count_if(headers.begin(), headers.end(),
                               [](const std::u16string& line) { return line.rfind(u"X-Filler-", 0) == 0; }));
  EXPECT_EQ("x", run.Body.Bytes());
}

}  // namespace

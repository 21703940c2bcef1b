// The synchronous request runner against the local services.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "InternetRunner.h"
#include "ServiceControl.h"
#include "Utf.h"
#include "libstate.h"
#include "local_services.h"
#include "orbInternetList.h"

namespace skylaunch {
namespace {

using ::testing::ElementsAre;
using testing::TServiceScenario;

std::u16string OAuthUrl(const char16_t* path) { return std::u16string(local_services::kOAuthURL) + path; }

// A fault that answers every request to /runner on the OAuth origin.
std::string Answer(int status, const std::string& body) {
  return R"({"faults":[{"origin":"oauth","path":"/runner","status":)" + std::to_string(status) +
         R"(,"body":")" + body + R"("}]})";
}

struct TResult {
  bool succeeded = false;
  int32_t status = -1;
  std::string body;
  uint64_t position = 99;
};

TResult RunRequest(const std::u16string& url, TInternetOperation operation = ioGET,
                   const TStringList* headers = nullptr, const std::string& postData = "") {
  TMemoryStream response;
  TMemoryStream post(postData);
  post.SetPosition(post.Size());  // the body is sent from position 0 wherever its stream stands
  TResult result;
  result.succeeded = ExecuteInternetRequest(url, &response, 20000, operation, headers, post, result.status);
  result.position = response.Position();
  result.body = response.Bytes();
  return result;
}

TEST(ExecuteInternetRequest, SucceedsOnlyForStatus200WithABody) {
  const struct {
    int status;
    const char* body;
    bool succeeded;
  } cases[] = {
      {200, "hello", true},   {200, "", false},        {404, "not here", false},
      {500, "broken", false}, {201, "created", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.status) + " " + c.body);
    TServiceScenario scenario(Answer(c.status, c.body));
    const TResult result = RunRequest(OAuthUrl(u"/runner"));
    EXPECT_EQ(result.succeeded, c.succeeded);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.body, c.body);  // kept whatever the status
    EXPECT_EQ(result.position, 0u);
  }
}

TEST(ExecuteInternetRequest, ReportsFailuresAfterTheStartAsFalse) {
  TServiceScenario scenario;
  const TResult refused = RunRequest(std::u16string(local_services::kRefusedURL) + u"/runner");
  EXPECT_FALSE(refused.succeeded);
  EXPECT_EQ(refused.status, 0);
}

TEST(ExecuteInternetRequest, RefusesAnEmptyUrlOrATimeOutBelowOneWithoutARequest) {
  TServiceScenario scenario(Answer(200, "hello"));
  for (const auto& [url, timeout] : {std::pair{OAuthUrl(u"/runner"), 0}, std::pair{OAuthUrl(u"/runner"), -1},
                                     std::pair{std::u16string(), 20000}}) {
    TMemoryStream response, post;
    int32_t status = 77;
    EXPECT_FALSE(ExecuteInternetRequest(url, &response, timeout, ioGET, nullptr, post, status));
    EXPECT_EQ(status, 77);
  }
  EXPECT_TRUE(scenario.Control().Requests().empty());
}

TEST(ExecuteInternetRequest, PassesStartFailuresOnLeavingTheStatusCodeAlone) {
  for (const char16_t* url : {u"127.0.0.1/runner", u"ftp://127.0.0.1/runner"}) {
    TMemoryStream response, post;
    int32_t status = 77;
    try {
      ExecuteInternetRequest(url, &response, 20000, ioGET, nullptr, post, status);
      ADD_FAILURE() << "no exception for " << ToUtf8(url);
    } catch (const EInternetException& e) {
      EXPECT_EQ(e.Message(), kInvalidURLMessage);
    }
    EXPECT_EQ(status, 77);
  }
  TMemoryStream post;
  int32_t status = 77;
  EXPECT_THROW(ExecuteInternetRequest(OAuthUrl(u"/runner"), nullptr, 20000, ioGET, nullptr, post, status),
               EInternetException);
  EXPECT_EQ(status, 77);
}

std::vector<std::pair<std::string, std::string>> ContentLines(const testing::TLoggedRequest& request) {
  std::vector<std::pair<std::string, std::string>> lines;
  for (const auto& header : request.Headers) {
    if (header.first == "Content-Type" || header.first == "Authorization") lines.push_back(header);
  }
  return lines;
}

TEST(ExecuteInternetRequest, SendsTheHeaderLinesAndBodyAsGiven) {
  TServiceScenario scenario(Answer(200, "ok"));
  const std::string body("a=1&b=\x01\xff", 8);
  const TStringList authorization{u"Authorization: Basic abc="};
  const TStringList ownContentType{u"Authorization: Basic abc=", u"Content-Type: text/plain;charset=UTF-8"};
  EXPECT_TRUE(RunRequest(OAuthUrl(u"/runner"), ioPOST, &authorization, body).succeeded);
  EXPECT_TRUE(RunRequest(OAuthUrl(u"/runner"), ioPOST, &ownContentType, body).succeeded);
  EXPECT_TRUE(RunRequest(OAuthUrl(u"/runner"), ioPOST).succeeded);  // no header lines, no body

  using TLine = std::pair<std::string, std::string>;
  const auto requests = scenario.Control().Requests("oauth");
  ASSERT_EQ(requests.size(), 3u);
  for (const auto& request : requests) EXPECT_EQ(request.Method, "POST");
  // The client's "Content-Type: " line goes first in the header block; the platform sends one
  // Content-Type, the later line standing.
  EXPECT_THAT(ContentLines(requests[0]),
              ElementsAre(TLine{"Content-Type", "application/x-www-form-urlencoded"},
                          TLine{"Authorization", "Basic abc="}));
  EXPECT_THAT(requests[1].HeaderValues("Content-Type"), ElementsAre("text/plain;charset=UTF-8"));
  EXPECT_EQ(requests[0].Body, body);
  EXPECT_EQ(requests[1].Body, body);
  // An empty body is no body: the client adds no "Content-Type: " line.
  EXPECT_TRUE(ContentLines(requests[2]).empty());
  EXPECT_EQ(requests[2].Body, "");
}

TEST(ExecuteInternetRequest, DispatchesOnlyTheClientsMessagesWhileItWaits) {
  TServiceScenario scenario(Answer(200, "ok"));
  HWND other = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(PostMessageW(other, WM_APP + 7, 1, 2));
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP + 8, 3, 4));
  EXPECT_TRUE(RunRequest(OAuthUrl(u"/runner")).succeeded);
  MSG message{};
  EXPECT_TRUE(PeekMessageW(&message, other, WM_APP + 7, WM_APP + 7, PM_REMOVE));
  EXPECT_TRUE(PeekMessageW(&message, HWND(-1), WM_APP + 8, WM_APP + 8, PM_REMOVE));
  DestroyWindow(other);
}

TEST(MyInternet, JudgesACompletionThatArrivesAfterTheClientTurnedIdle) {
  const struct {
    const char16_t* headers;
    bool success;
  } cases[] = {
      {u"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n", true},
      {u"HTTP/1.1 500 Internal Server Error\r\n", true},  // completed; the status is judged later
      {u"HTTP/1.1 404 Not Found\r\n", false},
      {u"", false},  // no header lines were read
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.headers));
    auto client = Create<TMyInternet>();
    TMyInternet& myInternet = *client;
    client->OnRequestComplete = [&myInternet](TInternet* Sender) {
      myInternet.HandleRequestComplete(Sender);
    };
    auto response = std::make_unique<TInternetResponse>();
    response->SetRawHeaders(c.headers);
    client->SetResponse(std::move(response));
    // The client is idle already, as after its finalize message; the completion comes after it.
    ASSERT_TRUE(PostMessageW(client->WindowHandle(), WM_INTERNET_COMPLETE, 0, 0));
    client->WaitForRequest();
    EXPECT_TRUE(client->FDone);
    EXPECT_EQ(client->FSuccess, c.success);
  }
}

TEST(ExecuteInternetRequest, ReportsEveryOneOfManySuccessfulRequestsAsASuccess) {
  TServiceScenario scenario(Answer(200, "ok"));
  int successes = 0;
  for (int i = 0; i < 100; ++i) {
    const TResult result = RunRequest(OAuthUrl(u"/runner"), ioPOST, nullptr, "n=" + std::to_string(i));
    if (result.succeeded && result.status == 200 && result.body == "ok") ++successes;
  }
  EXPECT_EQ(successes, 100);
}

}  // namespace
}  // namespace skylaunch

// The asynchronous client's text rules: status texts and notifications, the header block and
// form body it sends, and how it reads a raw response header block.
#include "orbInternetRules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "orbInternetRequest.h"

namespace {

using namespace skylaunch;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ExecuteStatusTexts, EveryStateHasItsTextAndNothingBeyond) {
  const std::pair<int32_t, std::u16string> cases[] = {
      {esDetectingProxy, u"Detecting Proxy"},       {esCTLResponseReceived, u"CTL Response Received"},
      {esReDirect, u"ReDirect"},                    {esPreFetch, u"Pre Fetch"},
      {esRequestComplete, u"Request Complete"},     {esStateChange, u"State Change"},
      {19, u""},                                    {-1, u""},
      {255, u""},
  };
  for (const auto& [status, text] : cases) EXPECT_EQ(text, ExecuteStatusToString(status)) << status;
}

TEST(ExecuteStatusTexts, NotificationsMapToTheirStates) {
  const std::pair<uint32_t, std::optional<TExecuteStatus>> cases[] = {
      {10, esResolvingName},      {11, esNameResolved},         {20, esConnectingToServer},
      {21, esConnectedToServer},  {42, esCTLResponseReceived},  {43, esPreFetch},
      {60, esHandleCreated},      {70, esHandleClosing},        {80, esDetectingProxy},
      {100, esRequestComplete},   {110, esReDirect},            {120, esIntermediateResponse},
      {200, esStateChange},       {0, std::nullopt},            {12, std::nullopt},
      {101, std::nullopt},        {320, std::nullopt},
  };
  for (const auto& [code, status] : cases) EXPECT_EQ(status, ExecuteStatusForNotification(code)) << code;
}

TEST(RequestTexts, SchemesAndMessages) {
  EXPECT_EQ(isHTTP, SchemeFromString(u"http"));
  EXPECT_EQ(isHTTPS, SchemeFromString(u"HtTpS"));
  EXPECT_EQ(std::nullopt, SchemeFromString(u"ftp"));
  EXPECT_EQ(std::nullopt, SchemeFromString(u""));
  EXPECT_EQ(u"proxy.local:8080", ProxyText(u"proxy.local", 8080));
  EXPECT_EQ(u"HttpSendRequestEx failed with Error code: 12029", SendFailedMessage(12029));
  EXPECT_EQ(u"Unable to create file. (C:\\x\\y.bin)", UnableToCreateFileMessage(u"C:\\x\\y.bin"));
}

TEST(RequestTexts, FormFieldsAndHeaderBlock) {
  EXPECT_EQ(u"a=1&b=2", JoinPostData({u"a=1", u"b=2"}));
  EXPECT_EQ(u"only", JoinPostData({u"only"}));
  EXPECT_EQ(u"&", JoinPostData({u"", u""}));
  EXPECT_EQ(u"", HeaderBlock({}));
  EXPECT_EQ(u"A: 1\r\nB: 2\r\n", HeaderBlock({u"A: 1", u"B: 2"}));
  // The form body goes out as UTF-8 bytes, not as UTF-16 text.
  EXPECT_EQ("name=J\xC3\xBCrgen", EncodeFormBody(u"name=J\u00FCrgen"));
}

TEST(ResponseHeaders, LinesBreakAtEveryKindOfLineEnd) {
  EXPECT_THAT(SplitLines(u"HTTP/1.1 200 OK\r\nA: 1\r\n\r\n"), ElementsAre(u"HTTP/1.1 200 OK", u"A: 1", u""));
  EXPECT_THAT(SplitLines(u"a\nb\rc"), ElementsAre(u"a", u"b", u"c"));
  EXPECT_THAT(SplitLines(u"a\n\rb"), ElementsAre(u"a", u"", u"b"));
  EXPECT_THAT(SplitLines(u""), IsEmpty());
}

TEST(ResponseHeaders, StatusLine) {
  struct TCase {
    std::u16string Line;
    bool Parsed;
    int32_t Code;
    std::u16string Message;
  };
  const TCase cases[] = {
      {u"HTTP/1.1 200 OK", true, 200, u"OK"},
      {u"HTTP/1.1 404 Not Found", true, 404, u"Not Found"},
      {u"HTTP/1.1 abc Odd", true, 0, u"Odd"},
      {u"HTTP/1.1 200 ", true, 200, u""},
      {u"HTTP/1.1 200", false, -7, u"before"},
      {u"HTTP/1.1", false, -7, u"before"},
  };
  for (const auto& c : cases) {
    int32_t code = -7;
    std::u16string message = u"before";
    EXPECT_EQ(c.Parsed, ParseStatusLine(c.Line, code, message));
    EXPECT_EQ(c.Code, code);
    EXPECT_EQ(c.Message, message);
  }
}

TEST(ResponseHeaders, AnnouncedContentLength) {
  EXPECT_EQ(-1, AnnouncedContentLength({}));
  EXPECT_EQ(0, AnnouncedContentLength({u"HTTP/1.1 200 OK", u"Server: x"}));
  EXPECT_EQ(98, AnnouncedContentLength({u"HTTP/1.1 200 OK", u"Content-Length: 98", u"content-length: 5"}));
  EXPECT_EQ(67108864, AnnouncedContentLength({u"HTTP/1.1 200 OK", u"CONTENT-LENGTH:67108864"}));
  EXPECT_EQ(0, AnnouncedContentLength({u"HTTP/1.1 200 OK", u"Content-Length: many"}));
  // A line that names the header without a colon ends the search with 0.
  EXPECT_EQ(0, AnnouncedContentLength({u"Content-Length 12", u"Content-Length: 5"}));
}

TEST(ResponseHeaders, LastModifiedIsTheFirstMatchingLine) {
  EXPECT_EQ(u"Tue, 01 Oct 2024 10:00:00 GMT",
            LastModifiedValue({u"HTTP/1.1 200 OK", u"last-modified: Tue, 01 Oct 2024 10:00:00 GMT",
                               u"Last-Modified: later"}));
  EXPECT_EQ(u"", LastModifiedValue({u"HTTP/1.1 200 OK", u"Last-Modified:x", u"X-Last-Modified: y"}));
  EXPECT_EQ(std::u16string(9999, u'7'), LastModifiedValue({u"Last-Modified: " + std::u16string(12000, u'7')}));
}

TEST(ResponseRecord, RawHeadersReplaceLinesAndKeepAnUnreadableStatus) {
  TInternetResponse response;
  response.SetRawHeaders(u"HTTP/1.1 201 Created\r\nLast-Modified: Mon\r\n\r\n");
  EXPECT_EQ(201, response.HTTPMessageCode());
  EXPECT_EQ(u"Created", response.HTTPMessage());
  EXPECT_EQ(u"Mon", response.LastModified());
  response.SetRawHeaders(u"HTTP/1.1 200\r\nServer: x\r\n");
  EXPECT_THAT(response.Headers(), ElementsAre(u"HTTP/1.1 200", u"Server: x"));
  EXPECT_EQ(201, response.HTTPMessageCode());
  EXPECT_EQ(u"Created", response.HTTPMessage());
}

TEST(RequestRecord, ConsumingEmptiesOnlyHeadersAndBody) {
  TInternetRequest request;
  EXPECT_EQ(ioGET, request.Operation());
  EXPECT_EQ(8080, request.ProxyPort());
  EXPECT_EQ(u"application/x-www-form-urlencoded", request.ContentType());
  request.SetURL(u"https://h/p");
  request.SetOperation(ioPOST);
  request.Headers().push_back(u"A: 1");
  request.PostData().push_back(u"a=1");
  request.PostStream().Write("body", 4);
  request.Consume();
  EXPECT_THAT(request.Headers(), IsEmpty());
  EXPECT_THAT(request.PostData(), IsEmpty());
  EXPECT_EQ("", request.PostStream().Bytes());
  EXPECT_EQ(u"https://h/p", request.URL());
  EXPECT_EQ(ioPOST, request.Operation());
  // The emptied stream takes new bytes from its start.
  request.PostStream().Write("next", 4);
  EXPECT_EQ("next", request.PostStream().Bytes());
}

}  // namespace

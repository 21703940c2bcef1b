// The send buffers of the asynchronous client: the exact header block and the record that the
// platform receives.
#include "orbInternetData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "WinText.h"

namespace {

using namespace skylaunch;

std::u16string RecordHeader(const INTERNET_BUFFERSW& record) {
  return std::u16string(as_u16cstr(record.lpcszHeader), record.dwHeadersLength);
}

std::string RecordBody(const INTERNET_BUFFERSW& record) {
  return std::string(static_cast<const char*>(record.lpvBuffer), record.dwBufferLength);
}

TEST(ClientSendBuffers, FormPostPutsTheContentTypeFirstAndSendsUtf8) {
  TInternetRequest request;
  request.SetOperation(ioPOST);
  request.PostData() = {u"a=1", u"b=\u00E9"};
  request.Headers() = {u"Authorization: Bearer t", u"Content-Type: text/plain"};
  // Stream bytes lose to the form fields, which the content type announces.
  request.PostStream().Write("ignored", 7);
  TInternetData data;
  data.Build(request);

  const std::u16string expected =
      u"Content-Type: application/x-www-form-urlencoded\r\nAuthorization: Bearer t\r\nContent-Type: text/plain\r\n";
  EXPECT_EQ(expected, data.Header());
  EXPECT_EQ(u"a=1&b=\u00E9", data.PostData());
  INTERNET_BUFFERSW* record = data.HeaderAndPostDataPtr();
  ASSERT_EQ(data.InternetBuffPtr(), record);
  EXPECT_EQ(sizeof(INTERNET_BUFFERSW), record->dwStructSize);
  EXPECT_EQ(nullptr, record->Next);
  EXPECT_EQ(expected, RecordHeader(*record));
  EXPECT_EQ(0u, record->dwHeadersTotal);
  EXPECT_EQ("a=1&b=\xC3\xA9", RecordBody(*record));
  EXPECT_EQ(record->dwBufferLength, record->dwBufferTotal);
}

TEST(ClientSendBuffers, StreamBodyAndHeaderOnlyAndNothing) {
  {
    TInternetRequest request;
    request.SetContentType(u"application/json");
    request.PostStream().Write("{\"k\":1}", 7);
    TInternetData data;
    data.Build(request);
    EXPECT_EQ(u"Content-Type: application/json\r\n", data.Header());
    ASSERT_NE(nullptr, data.HeaderAndPostDataPtr());
    EXPECT_EQ("{\"k\":1}", RecordBody(*data.HeaderAndPostDataPtr()));
  }
  {
    TInternetRequest request;
    request.Headers() = {u"X-A: 1"};
    TInternetData data;
    data.Build(request);
    ASSERT_NE(nullptr, data.HeaderAndPostDataPtr());
    EXPECT_EQ(u"X-A: 1\r\n", RecordHeader(*data.HeaderAndPostDataPtr()));
    EXPECT_EQ(nullptr, data.HeaderAndPostDataPtr()->lpvBuffer);
    EXPECT_EQ(0u, data.HeaderAndPostDataPtr()->dwBufferLength);
  }
  {
    TInternetRequest request;
    request.PostData() = {u"a=1"};  // a GET sends no form fields
    TInternetData data;
    data.Build(request);
    EXPECT_FALSE(data.HasHeadersOrPostData());
    EXPECT_EQ(nullptr, data.HeaderAndPostDataPtr());
    EXPECT_TRUE(request.Headers().empty());
  }
}

TEST(ClientSendBuffers, InitializeForgetsTheLastSend) {
  TInternetRequest request;
  request.SetOperation(ioPOST);
  request.PostData() = {u"a=1"};
  TInternetData data;
  data.Build(request);
  data.Initialize();
  EXPECT_EQ(u"", data.Header());
  EXPECT_EQ(u"", data.PostData());
  EXPECT_EQ("", data.Body());
  EXPECT_EQ(nullptr, data.HeaderAndPostDataPtr());
  const INTERNET_BUFFERSW zero{};
  EXPECT_EQ(0, std::memcmp(&zero, data.InternetBuffPtr(), sizeof zero));
}

}  // namespace

// The platform HTTP layer against the local services over HTTPS: raw headers read whole,
// bodies read in pieces, failures with their codes and texts, and certificate trust.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "PlatformHttp.h"
#include "ServiceControl.h"
#include "Utf.h"
#include "WinText.h"
#include "local_services.h"

namespace {

using namespace skylaunch;
using namespace skylaunch::local_services;
using skylaunch::testing::TServiceScenario;
using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr wchar_t kDemoFile[] = L"/files/2024/Release/S24Launch.dat";

// One GET as the download workflow makes it: its own root, connection and request handles.
struct TSecureGet {
  TInternetHandle Internet;
  TInternetHandle Session;
  TInternetHandle Request;
  DWORD Error = 0;  // last error of the step that failed; 0 when the response headers arrived

  TSecureGet(const wchar_t* host, INTERNET_PORT port, const wchar_t* path) {
    Internet.Reset(InternetOpenW(as_wcstr(kBrowserAgent), INTERNET_OPEN_TYPE_PRECONFIG, L"", nullptr, 0));
    Session.Reset(
        InternetConnectW(Internet.Get(), host, port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    Request.Reset(HttpOpenRequestW(Session.Get(), L"GET", path, nullptr, L"", nullptr,
                                   INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE, 0));
    if (!Request || !HttpSendRequestW(Request.Get(), nullptr, 0, nullptr, 0)) Error = GetLastError();
  }

  // Every piece as InternetReadFile returned it, until a successful read of 0 bytes.
  std::vector<std::string> ReadPieces() {
    std::vector<std::string> pieces;
    char buffer[kReadPieceSize];
    DWORD read = 0;
    while (InternetReadFile(Request.Get(), buffer, kReadPieceSize, &read) && read > 0) {
      pieces.emplace_back(buffer, read);
    }
    return pieces;
  }
};

std::string Joined(const std::vector<std::string>& pieces) {
  std::string all;
  for (const auto& piece : pieces) all += piece;
  return all;
}

std::vector<std::string> Lines(const std::u16string& block) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = block.find(u"\r\n", start)) != std::u16string::npos; start = end + 2) {
    lines.push_back(ToUtf8(block.substr(start, end - start)));
  }
  return lines;
}

// The value of the first header line named `name` (ASCII letter case ignored), without the blank.
std::string HeaderValue(const std::vector<std::string>& lines, const std::string& name) {
  for (const auto& line : lines) {
    if (line.size() > name.size() && line[name.size()] == ':' &&
        std::equal(name.begin(), name.end(), line.begin(),
                   [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
      return line.substr(name.size() + 2);
    }
  }
  return {};
}

// Counts the platform calls of the raw-header query and what each was given.
struct TQueryCall {
  bool HadBuffer;
  DWORD Length;
};
std::vector<TQueryCall> gQueryCalls;

BOOL WINAPI RecordingQuery(HINTERNET request, DWORD info, void* buffer, DWORD* length, DWORD* index) {
  gQueryCalls.push_back({buffer != nullptr, *length});
  return HttpQueryInfoW(request, info, buffer, length, index);
}

TEST(PlatformHttpTest, FileOriginGivesStatusLineHeadersAndBody) {
  TServiceScenario scenario;
  TSecureGet get(L"127.0.0.1", kFilesPort, kDemoFile);
  ASSERT_EQ(0u, get.Error);

  const std::optional<std::u16string> block = QueryRawHeaders(get.Request.Get());
  ASSERT_TRUE(block.has_value());
  EXPECT_THAT(ToUtf8(*block), StartsWith("HTTP/1.1 200 OK\r\n"));
  const std::vector<std::string> lines = Lines(*block);
  EXPECT_THAT(HeaderValue(lines, "Last-Modified"), EndsWith(" GMT"));

  const std::string body = Joined(get.ReadPieces());
  EXPECT_THAT(body, StartsWith("[Skylaunch]"));
  EXPECT_EQ(std::to_string(body.size()), HeaderValue(lines, "Content-Length"));
}

TEST(PlatformHttpTest, VeryManyHeaderLinesAreReadWholeAfterTheSizeProbe) {
  constexpr int kFillers = 600;  // about 50 KB of header lines
  TServiceScenario scenario(R"({"faults": [{"origin": "files", "extra_headers": 600}]})");
  TSecureGet get(L"127.0.0.1", kFilesPort, kDemoFile);
  ASSERT_EQ(0u, get.Error);

  gQueryCalls.clear();
  std::vector<TRawHeaderCall> announced;
  const std::optional<std::u16string> block = QueryRawHeaders(
      get.Request.Get(), &RecordingQuery, [&](TRawHeaderCall call) { announced.push_back(call); });
  ASSERT_TRUE(block.has_value());

  EXPECT_THAT(announced, ElementsAre(TRawHeaderCall::RequestBuffer, TRawHeaderCall::Retrieve));
  ASSERT_EQ(2u, gQueryCalls.size());
  EXPECT_FALSE(gQueryCalls[0].HadBuffer);
  EXPECT_EQ(0u, gQueryCalls[0].Length);
  EXPECT_TRUE(gQueryCalls[1].HadBuffer);
  EXPECT_GT(gQueryCalls[1].Length, DWORD{kFillers * 80 * sizeof(wchar_t)});

  const std::vector<std::string> lines = Lines(*block);
  ASSERT_GT(lines.size(), size_t{kFillers});
  EXPECT_EQ("HTTP/1.1 200 OK", lines.front());
  EXPECT_EQ(std::string(64, 'f'), HeaderValue(lines, "X-Filler-0000"));
  EXPECT_EQ(std::string(64, 'f'), HeaderValue(lines, "X-Filler-0599"));
  EXPECT_THAT(HeaderValue(lines, "Last-Modified"), EndsWith(" GMT"));  // after the fillers
}

TEST(PlatformHttpTest, BodyIsReadInPiecesOfAtMost4096Bytes) {
  std::string body;
  for (int i = 0; i < 10000; ++i) body += "0123456789abcdefghijklmnopqrstuvwxyz"[i % 36];
  TServiceScenario scenario(R"({"faults": [{"origin": "files", "body": ")" + body + R"("}]})");
  TSecureGet get(L"127.0.0.1", kFilesPort, kDemoFile);
  ASSERT_EQ(0u, get.Error);

  const std::vector<std::string> pieces = get.ReadPieces();
  std::vector<size_t> sizes;
  for (const auto& piece : pieces) sizes.push_back(piece.size());
  EXPECT_THAT(sizes, ElementsAre(4096u, 4096u, 1808u));
  EXPECT_EQ(body, Joined(pieces));
}

struct TFailingOrigin {
  const char* Name;
  const wchar_t* Host;
  INTERNET_PORT Port;
  std::vector<DWORD> Codes;  // what the platform may answer
};
void PrintTo(const TFailingOrigin& c, std::ostream* os) { *os << c.Name; }

class PlatformHttpFailureTest : public ::testing::TestWithParam<TFailingOrigin> {};

TEST_P(PlatformHttpFailureTest, FailsWithCodeAndTextAndNoStatusLine) {
  TServiceScenario scenario;
  TSecureGet get(GetParam().Host, GetParam().Port, kDemoFile);
  EXPECT_THAT(GetParam().Codes, ::testing::Contains(get.Error));

  const std::u16string text = InternetErrorText(get.Error);
  EXPECT_FALSE(text.empty());
  EXPECT_THAT(ToUtf8(text), Not(AnyOf(EndsWith("\n"), EndsWith("\r"))));
  if (get.Request) {
    // No response arrived, so no status line: Windows fails the query, Wine gives an empty block.
    const std::optional<std::u16string> block = QueryRawHeaders(get.Request.Get());
    EXPECT_TRUE(!block || block->find(u"HTTP/") == std::u16string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Origins, PlatformHttpFailureTest,
    ::testing::Values(
        TFailingOrigin{"RefusedConnection", L"127.0.0.1", kRefusedPort, {ERROR_INTERNET_CANNOT_CONNECT}},
        TFailingOrigin{
            "UnresolvableHost", L"skylaunch-test.invalid", 443, {ERROR_INTERNET_NAME_NOT_RESOLVED}},
        // Windows names an unknown root 12045; Wine reports the failed chain as 12057.
        TFailingOrigin{"UntrustedCertificate",
                       L"127.0.0.1",
                       kUntrustedPort,
                       {ERROR_INTERNET_INVALID_CA, ERROR_INTERNET_SEC_CERT_REV_FAILED}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(InternetErrorTextTest, TextsComeFromWinInetOrTheSystemOrTheFallback) {
  const std::string wininet = ToUtf8(InternetErrorText(ERROR_INTERNET_CANNOT_CONNECT));
  const std::string system = ToUtf8(InternetErrorText(ERROR_FILE_NOT_FOUND));
  for (const std::string& text : {wininet, system}) {
    EXPECT_THAT(text, Not(StartsWith("Unknown error"))) << text;
    EXPECT_THAT(text, Not(AnyOf(EndsWith("\n"), EndsWith("\r")))) << text;
  }
  EXPECT_EQ(u"Unknown error 536870913", InternetErrorText(0x20000001));
}

TEST(InternetErrorTextTest, InsertsStayAsTheyStand) {
  // The system's text for a bad executable names the file through an insert.
  EXPECT_THAT(ToUtf8(InternetErrorText(ERROR_BAD_EXE_FORMAT)), HasSubstr("%1"));
}

TEST(InternetHandleTest, OwnerClosesItsHandle) {
  TInternetHandle internet(
      InternetOpenW(L"Skylaunch tests", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  ASSERT_TRUE(internet);
  const HINTERNET raw = internet.Get();
  internet.Reset();
  EXPECT_FALSE(internet);
  SetLastError(0);
  EXPECT_FALSE(InternetCloseHandle(raw));
  EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, GetLastError());
}

}  // namespace

// A plain WinInet GET against the local services: the network tests of the program rely on this
// Wine prefix trusting the test CA, and only that CA.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>

#include "WinInetHandles.h"
#include "local_services.h"

namespace {

using namespace skylaunch;
using namespace skylaunch::local_services;

// The demo catalog's configuration file, which the test fixture serves.
constexpr wchar_t kDemoFile[] = L"/files/2024/Release/S24Launch.dat";

struct TGetResult {
  DWORD Error = 0;  // last error of the failed call; 0 when the request went through
  DWORD Status = 0;
  std::string Body;
};

TGetResult SecureGet(INTERNET_PORT port, const wchar_t* path) {
  TGetResult result;
  TInternetHandle internet(
      InternetOpenW(L"Skylaunch smoke test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  TInternetHandle session(
      InternetConnectW(internet.Get(), L"127.0.0.1", port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  TInternetHandle request(
      HttpOpenRequestW(session.Get(), L"GET", path, nullptr, nullptr, nullptr,
                       INTERNET_FLAG_SECURE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!request || !HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0)) {
    result.Error = GetLastError();
    return result;
  }
  DWORD size = sizeof result.Status;
  HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &result.Status, &size,
                 nullptr);
  char buffer[4096];
  DWORD read = 0;
  while (InternetReadFile(request.Get(), buffer, sizeof buffer, &read) && read > 0) {
    result.Body.append(buffer, read);
  }
  return result;
}

TEST(WinInetSmokeTest, FileOriginIsTrusted) {
  TGetResult result = SecureGet(kFilesPort, kDemoFile);
  ASSERT_EQ(0u, result.Error);
  EXPECT_EQ(200u, result.Status);
  EXPECT_THAT(result.Body, testing::StartsWith("[Skylaunch]"));
}

TEST(WinInetSmokeTest, UntrustedCertificateIsRejected) {
  // Windows names an unknown root 12045; Wine reports the failed chain as 12057.
  EXPECT_THAT(SecureGet(kUntrustedPort, kDemoFile).Error,
              testing::AnyOf(DWORD{ERROR_INTERNET_INVALID_CA}, DWORD{ERROR_INTERNET_SEC_CERT_REV_FAILED}));
}

TEST(WinInetSmokeTest, RefusedPortCannotConnect) {
  EXPECT_EQ(DWORD{ERROR_INTERNET_CANNOT_CONNECT}, SecureGet(kRefusedPort, kDemoFile).Error);
}

}  // namespace

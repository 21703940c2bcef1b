// The bearer-token client's surroundings in the program: the synchronous request runner, the
// system clock, the process environment and the secure strings of this process.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <utility>

#include "InternetRunner.h"
#include "NoUserOAuthORBNet.h"
#include "NoUserOAuthWipe.h"
#include "WinText.h"

namespace skylaunch {
namespace {

bool PostThroughRunner(const std::u16string& aURL, std::string& aResponse, int32_t aTimeout,
                       const std::vector<std::u16string>& aHeaders, const std::string& aPostData,
                       int32_t& aStatusCode, const std::atomic<bool>* abort) {
  TMemoryStream postData(aPostData);
  TMemoryStream response;
  const bool completed =
      ExecuteInternetRequest(aURL, &response, aTimeout, ioPOST, &aHeaders, postData, aStatusCode, abort);
  // Takes the stream's own buffer rather than a copy of it, so wiping aResponse wipes the answer.
  std::string body = response.TakeBytes();
  TWipeOnExit wipeBody(body);
  if (aResponse.empty()) {
    aResponse.swap(body);
  } else {
    aResponse += body;
  }
  return completed;
}

// The system's clock, read directly: the library's clock would bring a POSIX clock layer into the
// program for this one call.
TTokenClock::time_point SystemNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  // FILETIME counts 100 ns from 1601-01-01, the clock counts from 1970-01-01.
  using TFileTimeTicks = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
  constexpr int64_t kTicksFrom1601To1970 = 116444736000000000;
  const int64_t ticks = static_cast<int64_t>((uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime);
  return TTokenClock::time_point(
      std::chrono::duration_cast<TTokenClock::duration>(TFileTimeTicks(ticks - kTicksFrom1601To1970)));
}

std::u16string EnvironmentVariable(const char16_t* name) {
  const DWORD size = GetEnvironmentVariableW(as_wcstr(name), nullptr, 0);
  if (size == 0) return {};
  std::u16string value(size, u'\0');
  const DWORD length = GetEnvironmentVariableW(as_wcstr(name), as_wstr(value.data()), size);
  value.resize(length < size ? length : 0);
  return value;
}

}  // namespace

TOAuthSurroundings ProgramOAuthSurroundings(const std::atomic<bool>* abort) {
  const auto post = [abort](const std::u16string& aURL, std::string& aResponse, int32_t aTimeout,
                            const std::vector<std::u16string>& aHeaders, const std::string& aPostData,
                            int32_t& aStatusCode) {
    return PostThroughRunner(aURL, aResponse, aTimeout, aHeaders, aPostData, aStatusCode, abort);
  };
  return {&OAuthEnvironments, post, SystemNow, EnvironmentVariable,
          [](std::u16string& secret) { return MakeSecureString(secret); }};
}

TNoUserContextOAuth::TNoUserContextOAuth(bool onlyProd)
    : TNoUserContextOAuth(onlyProd, ProgramOAuthSurroundings()) {}

}  // namespace skylaunch

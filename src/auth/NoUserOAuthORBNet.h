#pragma once
// Module NoUserOAuthORBNet: a bearer token for the release-catalog service, without any user.
// The client activates itself with the OAuth service (application token and context in, client id
// and secret out), then exchanges HTTP Basic credentials built from them for a token by the
// client-credentials grant. Both secrets it keeps are secure strings. No operation raises: every
// failure ends in empty text. One thread at a time; it blocks during each request.
//
// The logic here is platform-free: the environment table, the requests, the clock, the process
// environment and the making of secure strings come from TOAuthSurroundings. The program's
// surroundings (Windows) are ProgramOAuthSurroundings(); tests script their own.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "NoUserOAuthConstants.h"
#include "RootObject.h"
#include "SecureString.h"

namespace skylaunch {

using TTokenClock = std::chrono::system_clock;

// The synchronous request runner as the client uses it: a POST of `aPostData` with the header
// lines `aHeaders` to `aURL`, waiting at most `aTimeout` ms for each receive. The response body is
// appended to `aResponse`, the status code written to `aStatusCode` (0 when none was parsed). True
// only for a completed request. May raise when the request cannot be started.
using TOAuthPostRequest = std::function<bool(const std::u16string& aURL, std::string& aResponse,
                                             int32_t aTimeout, const std::vector<std::u16string>& aHeaders,
                                             const std::string& aPostData, int32_t& aStatusCode)>;

struct TOAuthSurroundings {
  const TOAuthEnvironmentTable* Environments = nullptr;
  TOAuthPostRequest Post;
  std::function<TTokenClock::time_point()> Now;
  // The value of a process environment variable; empty when it is unset.
  std::function<std::u16string(const char16_t* name)> EnvironmentVariable;
  // MakeSecureString's contract: `secret` is overwritten.
  std::function<TSecureStringRef(std::u16string& secret)> MakeSecret;
};

// OAuthEnvironments, ExecuteInternetRequest, the system clock, the process environment and
// MakeSecureString. With `abort`, a stop that another thread sets ends the request in progress and
// keeps every later one from being sent.
TOAuthSurroundings ProgramOAuthSurroundings(const std::atomic<bool>* abort = nullptr);

// The token cache.
struct BearerTokenMetadata {
  TSecureStringRef AccessToken;              // token type, a blank, access token; null until one was received
  int32_t ExpiresIn{0};                      // lifetime in seconds, as the service sent it
  TTokenClock::time_point CreateDateTime{};  // when the token response was processed
};

class TNoUserContextOAuth : public TObject {
 public:
  static constexpr int32_t kRequestTimeout = 20000;
  // A token is renewed this many seconds before the lifetime that the service gave.
  static constexpr int32_t kRenewalMargin = 60;

  // With `onlyProd` the production environment is used whatever "EFSEND" says.
  explicit TNoUserContextOAuth(bool onlyProd);  // the program's surroundings
  TNoUserContextOAuth(bool onlyProd, TOAuthSurroundings surroundings);

  // "<token type> <access token>", ready to follow "Authorization: "; empty text on any failure.
  // `AppContext` is sent as the client context on activation.
  std::u16string CreateBearerToken(const std::u16string& AppContext);

 private:
  bool UseE2EEnvironment() const;
  const TEnvironmentInfo& Environment() const;
  std::u16string GetAppToken() const;
  std::u16string GetActivateClientUrl() const;
  std::u16string GetBearerTokenUrl() const;

  void ActivateClient(const std::u16string& AppContext);
  bool CachedTokenValid() const;
  std::u16string RequestBearerToken();
  std::u16string ReadBearerToken(std::string& response);
  std::u16string AuthorizationLine() const;
  // One POST; successful only when it completed with status 200 and a body.
  bool Post(const std::u16string& url, std::string& response, const std::vector<std::u16string>& headers,
            const std::string& body) const;

  TSecureStringRef BasicAuthHeaderSecureString;
  std::unique_ptr<BearerTokenMetadata> FBearerTokenMetadata;
  bool FOnlyProd{false};
  TOAuthSurroundings fSurroundings;
};

}  // namespace skylaunch

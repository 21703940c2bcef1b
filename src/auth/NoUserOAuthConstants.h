#pragma once
// Module NoUserOAuthConstants: the OAuth environments that the bearer-token client can use.
#include <array>
#include <cstddef>
#include <string_view>

namespace skylaunch {

struct TEnvironmentInfo {
  std::u16string_view Environment;  // a label; the client selects by entry, not by this text
  std::u16string_view AppToken;     // 50 letters and digits, issued for the environment
  std::u16string_view ActivateClientUrl;
  std::u16string_view BearerTokenUrl;
};

inline constexpr size_t kE2EEnvironment = 0;
inline constexpr size_t kProdEnvironment = 1;
using TOAuthEnvironmentTable = std::array<TEnvironmentInfo, 2>;

// Entry 0 "E2E" (test), entry 1 "PROD". The values are the deployment's, compiled in: an executable
// links either oauth_client (the program) or oauth_client_local (the local test services).
extern const TOAuthEnvironmentTable OAuthEnvironments;

}  // namespace skylaunch

#include "NoUserOAuthORBNet.h"

#include <optional>
#include <utility>

#include "NoUserOAuthAnswer.h"
#include "NoUserOAuthBase64.h"
#include "NoUserOAuthWipe.h"
#include "Utf.h"

namespace skylaunch {
namespace {

constexpr char16_t kFormContentType[] = u"Content-Type: application/x-www-form-urlencoded;charset=UTF-8";
constexpr char16_t kAuthorizationBasic[] = u"Authorization: Basic ";
constexpr char kGrantBody[] = "grant_type=client_credentials";

// The service's bytes become characters one for one, so a secret is handed on exactly as sent.
void AppendBytes(std::u16string& text, std::string_view bytes) {
  for (const char byte : bytes) text += char16_t(static_cast<unsigned char>(byte));
}

}  // namespace

TNoUserContextOAuth::TNoUserContextOAuth(bool onlyProd, TOAuthSurroundings surroundings)
    : FBearerTokenMetadata(std::make_unique<BearerTokenMetadata>()),
      FOnlyProd(onlyProd),
      fSurroundings(std::move(surroundings)) {}

bool TNoUserContextOAuth::UseE2EEnvironment() const {
  return !FOnlyProd && !fSurroundings.EnvironmentVariable(u"EFSEND").empty();
}

const TEnvironmentInfo& TNoUserContextOAuth::Environment() const {
  return (*fSurroundings.Environments)[UseE2EEnvironment() ? kE2EEnvironment : kProdEnvironment];
}

std::u16string TNoUserContextOAuth::GetAppToken() const { return std::u16string(Environment().AppToken); }

std::u16string TNoUserContextOAuth::GetActivateClientUrl() const {
  return std::u16string(Environment().ActivateClientUrl);
}

std::u16string TNoUserContextOAuth::GetBearerTokenUrl() const {
  return std::u16string(Environment().BearerTokenUrl);
}

bool TNoUserContextOAuth::Post(const std::u16string& url, std::string& response,
                               const std::vector<std::u16string>& headers, const std::string& body) const {
  int32_t status = 0;
  return fSurroundings.Post(url, response, kRequestTimeout, headers, body, status) && status == 200 &&
         !response.empty();
}

void TNoUserContextOAuth::ActivateClient(const std::u16string& AppContext) {
  if (BasicAuthHeaderSecureString) return;
  const std::vector<std::u16string> headers{kFormContentType};
  // The form is declared UTF-8; the token and context go in as they are, without URL encoding.
  const std::string body = ToUtf8(u"x_app_token=" + GetAppToken() + u"&x_client_context=" + AppContext);
  std::string response;
  TWipeOnExit wipeResponse(response);
  if (!Post(GetActivateClientUrl(), response, headers, body)) return;

  const TOAuthAnswer answer(response);
  const auto clientId = answer.Member("client_id");
  const auto clientSecret = answer.Member("client_secret");
  if (!clientId || !clientSecret) return;
  std::string credentials;
  TWipeOnExit wipeCredentials(credentials);
  credentials.reserve(clientId->size() + 1 + clientSecret->size());
  credentials.append(*clientId).append(1, ':').append(*clientSecret);
  std::u16string basic = EncodeBase64(credentials);
  TWipeOnExit wipeBasic(basic);  // MakeSecret overwrites it too; this also covers an error on the way
  BasicAuthHeaderSecureString = fSurroundings.MakeSecret(basic);
}

bool TNoUserContextOAuth::CachedTokenValid() const {
  const BearerTokenMetadata& metadata = *FBearerTokenMetadata;
  if (!metadata.AccessToken) return false;
  const auto age = std::chrono::abs(fSurroundings.Now() - metadata.CreateDateTime);
  const int64_t seconds = std::chrono::duration_cast<std::chrono::seconds>(age).count();
  return seconds < int64_t(metadata.ExpiresIn) - kRenewalMargin;
}

std::u16string TNoUserContextOAuth::AuthorizationLine() const {
  std::u16string basic = BasicAuthHeaderSecureString->Data();
  TWipeOnExit wipeBasic(basic);
  std::u16string line;
  line.reserve(std::char_traits<char16_t>::length(kAuthorizationBasic) + basic.size());
  line.append(kAuthorizationBasic).append(basic);
  return line;
}

std::u16string TNoUserContextOAuth::RequestBearerToken() {
  std::vector<std::u16string> headers;
  TWipeOnExit wipeHeaders(headers);
  headers.reserve(2);
  headers.push_back(AuthorizationLine());
  headers.push_back(kFormContentType);
  std::string response;
  TWipeOnExit wipeResponse(response);
  if (!Post(GetBearerTokenUrl(), response, headers, kGrantBody)) return {};
  return ReadBearerToken(response);
}

std::u16string TNoUserContextOAuth::ReadBearerToken(std::string& response) {
  const TOAuthAnswer answer(response);
  if (!answer.IsObject()) return {};
  BearerTokenMetadata& metadata = *FBearerTokenMetadata;
  metadata.CreateDateTime = fSurroundings.Now();
  const auto expiresText = answer.Member("expires_in");
  const std::optional<int32_t> expiresIn = expiresText ? ReadInteger(*expiresText) : std::nullopt;
  if (!expiresIn) return {};
  metadata.ExpiresIn = *expiresIn;

  const auto tokenType = answer.Member("token_type");
  const auto accessToken = answer.Member("access_token");
  if (!tokenType || !accessToken) return {};
  std::u16string token;
  TWipeOnExit wipeToken(token);
  token.reserve(tokenType->size() + 1 + accessToken->size());
  AppendBytes(token, *tokenType);
  token += u' ';
  AppendBytes(token, *accessToken);
  metadata.AccessToken = fSurroundings.MakeSecret(token);
  return metadata.AccessToken->Data();
}

std::u16string TNoUserContextOAuth::CreateBearerToken(const std::u16string& AppContext) {
  try {
    if (CachedTokenValid()) return FBearerTokenMetadata->AccessToken->Data();
    // A token that is due for renewal is never handed out again, even when the renewal fails
    // half-way after the lifetime and time of the new answer were already recorded.
    FBearerTokenMetadata->AccessToken.Reset();
    ActivateClient(AppContext);
    if (!BasicAuthHeaderSecureString) return {};
    return RequestBearerToken();
  } catch (...) {
    // Every failure, including one of the request runner, ends in empty text.
    return {};
  }
}

}  // namespace skylaunch

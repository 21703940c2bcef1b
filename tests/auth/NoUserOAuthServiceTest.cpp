// The token client of the program (runner, secure strings, process environment) against the local
// OAuth service; the exchange is asserted through the service's request log.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "NoUserOAuthORBNet.h"
#include "ServiceControl.h"
#include "Utf.h"
#include "WinText.h"
#include "libstate.h"
#include "orbInternetList.h"

namespace skylaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;
using ::testing::StartsWith;
using testing::TLoggedRequest;
using ::testing::Truly;
using testing::TServiceScenario;

constexpr char kClientsPath[] = "/oauth2/v1/clients";
constexpr char kTokensPath[] = "/oauth2/v1/tokens/bearer";
constexpr char kFormUtf8Line[] = "application/x-www-form-urlencoded;charset=UTF-8";

// "EFSEND" for the life of a test.
class TEFSEND {
 public:
  explicit TEFSEND(const wchar_t* value) { SetEnvironmentVariableW(L"EFSEND", value); }
  ~TEFSEND() { SetEnvironmentVariableW(L"EFSEND", nullptr); }
};

std::string Ascii(std::u16string_view text) { return std::string(text.begin(), text.end()); }

std::string ActivationBody(size_t environment) {
  return "x_app_token=" + Ascii(OAuthEnvironments[environment].AppToken) + "&x_client_context=Tarvosa";
}

// The Content-Type and Authorization lines, in the order sent.
std::vector<std::pair<std::string, std::string>> ContentLines(const TLoggedRequest& request) {
  std::vector<std::pair<std::string, std::string>> lines;
  for (const auto& header : request.Headers) {
    if (header.first == "Content-Type" || header.first == "Authorization") lines.push_back(header);
  }
  return lines;
}

// The text of a Basic authorization value, "Basic " and base64; empty when it is none.
std::string BasicCredentials(const std::string& value) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (value.rfind("Basic ", 0) != 0 || (value.size() - 6) % 4 != 0) return {};
  std::string text;
  uint32_t bits = 0;
  int count = 0;
  for (const char c : value.substr(6)) {
    if (c == '=') break;
    const size_t digit = alphabet.find(c);
    if (digit == std::string::npos) return {};
    bits = bits << 6 | uint32_t(digit);
    if ((count += 6) >= 8) text += char((bits >> (count -= 8)) & 0xFF);
  }
  return text;
}

// "Basic " and base64 of "<client id>:<client secret>"; the service's client ids are 24 hex digits.
bool IsBasicClientCredentials(const std::string& value) {
  const std::string text = BasicCredentials(value);
  return text.size() > 25 && text[24] == ':' && text.find_first_not_of("0123456789abcdef") == 24;
}

std::u16string CreateToken(bool onlyProd = true) {
  return Create<TNoUserContextOAuth>(onlyProd)->CreateBearerToken(u"Tarvosa");
}

TEST(TokenService, ActivatesOnceThenExchangesTheCredentialsExactlyAsSent) {
  TServiceScenario scenario;
  const auto client = Create<TNoUserContextOAuth>(true);
  const std::u16string token = client->CreateBearerToken(u"Tarvosa");
  EXPECT_THAT(ToUtf8(token), StartsWith("bearer "));
  EXPECT_GT(token.size(), 7u);
  EXPECT_EQ(client->CreateBearerToken(u"Tarvosa"), token);  // from the cache

  // The client's own "Content-Type: " line goes first in each header block; the platform sends
  // one Content-Type per request, and the later line, the token client's, is the one that stands.
  const auto requests = scenario.Control().Requests("oauth");
  ASSERT_EQ(requests.size(), 2u);
  const TLoggedRequest& activation = requests[0];
  EXPECT_EQ(activation.Method, "POST");
  EXPECT_EQ(activation.Path, kClientsPath);
  EXPECT_THAT(ContentLines(activation), ElementsAre(Pair("Content-Type", kFormUtf8Line)));
  EXPECT_EQ(activation.Body, ActivationBody(kProdEnvironment));
  EXPECT_EQ(activation.Status, 200);

  const TLoggedRequest& grant = requests[1];
  EXPECT_EQ(grant.Method, "POST");
  EXPECT_EQ(grant.Path, kTokensPath);
  // The client's credentials, which the service accepted (status 200).
  EXPECT_THAT(ContentLines(grant), ElementsAre(Pair("Authorization", Truly(IsBasicClientCredentials)),
                                               Pair("Content-Type", kFormUtf8Line)));
  EXPECT_EQ(grant.Body, "grant_type=client_credentials");
  EXPECT_EQ(grant.Status, 200);
}

TEST(TokenService, RenewsAShortLivedTokenWithoutActivatingAgain) {
  TServiceScenario scenario(R"({"token_lifetime":60})");
  const auto client = Create<TNoUserContextOAuth>(true);
  const std::u16string first = client->CreateBearerToken(u"Tarvosa");
  const std::u16string second = client->CreateBearerToken(u"Tarvosa");
  EXPECT_FALSE(first.empty());
  EXPECT_FALSE(second.empty());
  EXPECT_NE(first, second);
  const auto requests = scenario.Control().Requests("oauth");
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].Path, kClientsPath);
  EXPECT_EQ(requests[1].Path, kTokensPath);
  EXPECT_EQ(requests[2].Path, kTokensPath);
  EXPECT_EQ(ContentLines(requests[1]), ContentLines(requests[2]));  // the same Basic value
}

TEST(TokenService, SelectsTheEnvironmentByEFSENDUnlessRestrictedToProduction) {
  const struct {
    const wchar_t* efsend;
    bool onlyProd;
    size_t environment;
  } cases[] = {
      {nullptr, false, kProdEnvironment}, {L"", false, kProdEnvironment},    {L"1", false, kE2EEnvironment},
      {L"1", true, kProdEnvironment},     {nullptr, true, kProdEnvironment},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("EFSEND ") + (c.efsend ? ToUtf8(as_u16cstr(c.efsend)) : "unset") +
                 (c.onlyProd ? ", production only" : ""));
    TServiceScenario scenario;
    TEFSEND efsend(c.efsend);
    EXPECT_FALSE(CreateToken(c.onlyProd).empty());
    const auto requests = scenario.Control().Requests("oauth");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Body, ActivationBody(c.environment));
  }
}

TEST(TokenService, AFailedActivationSendsNoTokenRequest) {
  const char* answers[] = {
      R"("status":200,"body":"")",
      R"("status":200,"body":"{\"client_id\":\"abc\"}")",
      R"("status":200,"body":"{\"Client_Id\":\"abc\",\"client_secret\":\"s\"}")",
      R"("status":401,"body":"{\"client_id\":\"abc\",\"client_secret\":\"s\"}")",
  };
  for (const char* answer : answers) {
    SCOPED_TRACE(answer);
    TServiceScenario scenario(
        std::string(R"({"faults":[{"origin":"oauth","path":"/oauth2/v1/clients","times":1,)") + answer +
        "}]}");
    const auto client = Create<TNoUserContextOAuth>(true);
    EXPECT_EQ(client->CreateBearerToken(u"Tarvosa"), u"");
    EXPECT_EQ(scenario.Control().Requests("oauth").size(), 1u);
    // The fault is spent: the next call activates again and gets its token.
    EXPECT_FALSE(client->CreateBearerToken(u"Tarvosa").empty());
    const auto requests = scenario.Control().Requests("oauth");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].Path, kClientsPath);
  }
}

TEST(TokenService, ATokenAnswerWithoutAWholeNumberLifetimeGivesEmptyText) {
  TServiceScenario scenario(
      R"({"faults":[{"origin":"oauth","path":"/oauth2/v1/tokens/bearer","times":1,"status":200,)"
      R"("body":"{\"token_type\":\"bearer\",\"access_token\":\"abc\",\"expires_in\":\"soon\"}"}]})");
  const auto client = Create<TNoUserContextOAuth>(true);
  EXPECT_EQ(client->CreateBearerToken(u"Tarvosa"), u"");
  EXPECT_FALSE(client->CreateBearerToken(u"Tarvosa").empty());
  EXPECT_EQ(scenario.Control().Requests("oauth").size(), 3u);  // one activation, two token requests
}

}  // namespace
}  // namespace skylaunch

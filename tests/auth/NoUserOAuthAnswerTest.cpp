#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "NoUserOAuthAnswer.h"
#include "NoUserOAuthBase64.h"
#include "NoUserOAuthWipe.h"

namespace skylaunch {
namespace {

std::u16string Repeated(std::u16string_view piece, int times) {
  std::u16string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(EncodeBase64, FollowsTheStandardAlphabetAndFill) {
  const struct {
    std::string bytes;
    std::u16string encoded;
  } cases[] = {
      {"", u""},
      {"f", u"Zg=="},
      {"fo", u"Zm8="},
      {"foo", u"Zm9v"},
      {"foob", u"Zm9vYg=="},
      {"fooba", u"Zm9vYmE="},
      {"foobar", u"Zm9vYmFy"},
      {std::string("\xff\xfe\xfd", 3), u"//79"},  // the last two letters of the alphabet
      {std::string("\0\0", 2), u"AAA="},
      {"client:secret", u"Y2xpZW50OnNlY3JldA=="},
      // No line break after 76 characters.
      {std::string(60, 'a'), Repeated(u"YWFh", 20)},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeBase64(c.bytes), c.encoded) << c.bytes;
}

std::optional<std::string> MemberOf(std::string body, std::string_view name) {
  TOAuthAnswer answer(body);
  const auto text = answer.Member(name);
  return text ? std::optional<std::string>(std::string(*text)) : std::nullopt;
}

TEST(OAuthAnswer, FindsTheFirstMemberOfExactlyThatName) {
  const struct {
    const char* body;
    const char* name;
    std::optional<std::string> text;
  } cases[] = {
      {R"({"client_id":"abc","client_secret":"s3"})", "client_secret", "s3"},
      {R"({"client_id":"first","client_id":"second"})", "client_id", "first"},
      {R"({"Client_Id":"x","CLIENT_ID":"y"})", "client_id", std::nullopt},
      {R"({"client_id ":"x"})", "client_id", std::nullopt},
      {R"({"expires_in":3600})", "expires_in", "3600"},
      {R"({"expires_in":-1.50e3})", "expires_in", "-1.50e3"},  // a number's text as written
      {R"({"expires_in":"3600"})", "expires_in", "3600"},
      {R"({"a":"x\u0041\"\\y"})", "a", "xA\"\\y"},
      {R"({"a":""})", "a", ""},
      // The first such member counts even when it holds no text and a later one would.
      {R"({"client_id":null,"client_id":"later"})", "client_id", std::nullopt},
      {R"({"client_id":true})", "client_id", std::nullopt},
      {R"({"client_id":{"v":"x"}})", "client_id", std::nullopt},
      {R"({"nested":{"client_id":"x"}})", "client_id", std::nullopt},
      // Not one JSON object.
      {R"(["client_id","x"])", "client_id", std::nullopt},
      {R"("client_id")", "client_id", std::nullopt},
      {"", "client_id", std::nullopt},
      {R"({"client_id":"x"} trailing)", "client_id", std::nullopt},
      {R"({"client_id":"x")", "client_id", std::nullopt},
      {R"({"client_id":"x"}{"client_id":"y"})", "client_id", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(MemberOf(c.body, c.name), c.text) << c.body << " / " << c.name;
  EXPECT_EQ(MemberOf(std::string("{\"a\":\"x\"}\0 trailing", 19), "a"), std::nullopt);
}

TEST(OAuthAnswer, KeepsMemberTextsInsideTheBodySoWipingTheBodyWipesThem) {
  std::string body = R"({"client_id":"id-1","client_secret":"very-secret","expires_in":3600})";
  TOAuthAnswer answer(body);
  ASSERT_TRUE(answer.IsObject());
  for (const char* name : {"client_id", "client_secret", "expires_in"}) {
    const std::string_view text = *answer.Member(name);
    EXPECT_GE(text.data(), body.data()) << name;
    EXPECT_LE(text.data() + text.size(), body.data() + body.size()) << name;
  }
  const std::string_view secret = *answer.Member("client_secret");
  const char* where = secret.data();
  const size_t length = secret.size();
  WipeText(body);
  EXPECT_EQ(std::string(where, length), std::string(length, '\0'));
}

TEST(ReadInteger, AcceptsOnlyAPlainDecimalWithin32Bits) {
  const struct {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"3600", 3600},
      {"0", 0},
      {"-60", -60},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"99999999999", std::nullopt},
      {"3600.0", std::nullopt},
      {"1e3", std::nullopt},
      {"+60", std::nullopt},
      {" 60", std::nullopt},
      {"60 ", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"0x10", std::nullopt},
      {"sixty", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadInteger(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace skylaunch

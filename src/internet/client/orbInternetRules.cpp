#include "orbInternetRules.h"

#include <string>

#include "TextUtils.h"
#include "Utf.h"

namespace skylaunch {
namespace {

std::u16string Decimal(int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

bool ContainsIgnoringCase(std::u16string_view text, std::u16string_view upperNeedle) {
  if (upperNeedle.size() > text.size()) return false;
  for (size_t start = 0; start + upperNeedle.size() <= text.size(); ++start) {
    size_t i = 0;
    while (i < upperNeedle.size() && UpperAscii(text[start + i]) == upperNeedle[i]) ++i;
    if (i == upperNeedle.size()) return true;
  }
  return false;
}

constexpr std::u16string_view kLastModifiedPrefix = u"Last-Modified: ";
constexpr size_t kLastModifiedMaxLength = 9999;

}  // namespace

std::u16string SendFailedMessage(int32_t code) {
  return u"HttpSendRequestEx failed with Error code: " + Decimal(code);
}

std::u16string UnableToCreateFileMessage(std::u16string_view fileName) {
  return u"Unable to create file. (" + std::u16string(fileName) + u")";
}

std::u16string InternetErrorMessage(std::u16string_view platformText) {
  return u"Internet Error: " + std::u16string(platformText);
}

std::u16string ProxyText(std::u16string_view server, int32_t port) {
  return std::u16string(server) + u":" + Decimal(port);
}

std::optional<TInternetScheme> SchemeFromString(std::u16string_view scheme) {
  if (SameTextAscii(scheme, u"HTTP")) return isHTTP;
  if (SameTextAscii(scheme, u"HTTPS")) return isHTTPS;
  return std::nullopt;
}

std::u16string JoinPostData(const TStringList& fields) {
  std::u16string joined;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) joined += u'&';
    joined += fields[i];
  }
  return joined;
}

std::u16string HeaderBlock(const TStringList& lines) {
  std::u16string block;
  for (const auto& line : lines) block += line + u"\r\n";
  return block;
}

std::string EncodeFormBody(std::u16string_view joinedFields) { return ToUtf8(joinedFields); }

TStringList SplitLines(std::u16string_view text) {
  TStringList lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == u'\r' && start < text.size() && text[start] == u'\n') ++start;
  }
  return lines;
}

bool ParseStatusLine(std::u16string_view line, int32_t& code, std::u16string& message) {
  const size_t firstSpace = line.find(u' ');
  if (firstSpace == std::u16string_view::npos) return false;
  const std::u16string_view rest = line.substr(firstSpace + 1);
  const size_t secondSpace = rest.find(u' ');
  if (secondSpace == std::u16string_view::npos) return false;
  code = ParseIntDef(rest.substr(0, secondSpace), 0);
  message = std::u16string(rest.substr(secondSpace + 1));
  return true;
}

int32_t AnnouncedContentLength(const TStringList& headerLines) {
  int32_t total = -1;
  for (const auto& line : headerLines) {
    total = 0;
    if (!ContainsIgnoringCase(line, u"CONTENT-LENGTH")) continue;
    const size_t colon = line.find(u':');
    if (colon == std::u16string::npos) break;
    total = ParseIntDef(std::u16string_view(line).substr(colon + 1), 0);
    break;
  }
  return total;
}

std::u16string LastModifiedValue(const TStringList& headerLines) {
  for (const auto& line : headerLines) {
    if (line.size() < kLastModifiedPrefix.size()) continue;
    if (!SameTextAscii(std::u16string_view(line).substr(0, kLastModifiedPrefix.size()), kLastModifiedPrefix)) continue;
    return line.substr(kLastModifiedPrefix.size(), kLastModifiedMaxLength);
  }
  return {};
}

}  // namespace skylaunch

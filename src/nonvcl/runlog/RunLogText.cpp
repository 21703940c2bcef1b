#include "RunLogText.h"

#include <algorithm>

#include "Utf.h"

namespace skylaunch {
namespace {

void AppendDigits(std::string& out, uint64_t value, int width) {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int pad = count; pad < width; ++pad) out += '0';
  while (count > 0) out += digits[--count];
}

// The text with its control characters made visible, so that it cannot break the line.
std::u16string OneLine(std::u16string_view text) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;  // CR LF is one break
    if (c == u'\n') {
      line += u"\\n";
    } else if (c < 0x20 || c == 0x7F) {
      line += u"\\x";
      line += kHex[c >> 4];
      line += kHex[c & 0xF];
    } else {
      line += c;
    }
  }
  return line;
}

// The names of a query's parameters, each with its '=' but without its value. A part without
// '=' is all value as far as anyone can tell, so it is left out whole.
std::u16string QueryNames(std::u16string_view query) {
  std::u16string names;
  size_t start = 0;
  while (start <= query.size()) {
    const size_t end = std::min(query.find(u'&', start), query.size());
    const std::u16string_view part = query.substr(start, end - start);
    const size_t equals = part.find(u'=');
    if (equals != std::u16string_view::npos) {
      if (!names.empty()) names += u'&';
      names.append(part.substr(0, equals + 1));
    }
    start = end + 1;
  }
  return names;
}

}  // namespace

std::string FormatLogLine(const TLogTime& time, uint32_t processId, std::u16string_view text) {
  std::string line;
  line.reserve(32 + text.size());
  AppendDigits(line, time.Year, 4);
  line += '-';
  AppendDigits(line, time.Month, 2);
  line += '-';
  AppendDigits(line, time.Day, 2);
  line += ' ';
  AppendDigits(line, time.Hour, 2);
  line += ':';
  AppendDigits(line, time.Minute, 2);
  line += ':';
  AppendDigits(line, time.Second, 2);
  line += '.';
  AppendDigits(line, time.Milliseconds, 3);
  line += " [";
  AppendDigits(line, processId, 0);
  line += "] ";
  line += ToUtf8(OneLine(text));
  line += "\r\n";
  return line;
}

std::u16string LoggableURL(std::u16string_view url) {
  url = url.substr(0, std::min(url.find(u'#'), url.size()));
  const size_t query = std::min(url.find(u'?'), url.size());
  std::u16string_view address = url.substr(0, query);

  std::u16string result;
  const size_t scheme = address.find(u"://");
  if (scheme != std::u16string_view::npos) {
    result.append(address.substr(0, scheme + 3));
    address.remove_prefix(scheme + 3);
    const std::u16string_view authority = address.substr(0, std::min(address.find(u'/'), address.size()));
    const size_t userEnd = authority.rfind(u'@');
    if (userEnd != std::u16string_view::npos) address.remove_prefix(userEnd + 1);
  }
  result.append(address);
  if (query < url.size()) {
    const std::u16string names = QueryNames(url.substr(query + 1));
    if (!names.empty()) result.append(u"?").append(names);
  }
  return result;
}

std::u16string RequestLogText(std::u16string_view method, std::u16string_view url,
                              const TRequestOutcome& outcome) {
  std::u16string text(method);
  text.append(u" ").append(LoggableURL(url)).append(u": ");
  text.append(outcome.StatusCode != 0 ? DecimalText(outcome.StatusCode) : u"no status");
  text.append(u", ").append(DecimalText(static_cast<int64_t>(outcome.Bytes))).append(u" bytes, ");
  text.append(DecimalText(static_cast<int64_t>(outcome.Milliseconds))).append(u" ms");
  if (!outcome.Failure.empty()) text.append(u", ").append(outcome.Failure);
  return text;
}

std::string_view KeptRunLog(std::string_view tail) {
  const size_t lineEnd = tail.find('\n');
  return lineEnd == std::string_view::npos ? std::string_view() : tail.substr(lineEnd + 1);
}

std::u16string FileVersionText(std::string_view resource) {
  const auto word32 = [&](size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(resource[at + i]);
    return value;
  };
  // VS_FIXEDFILEINFO starts on a 32-bit boundary with its signature, then the structure version,
  // then the file version's high and low halves.
  constexpr uint32_t kSignature = 0xFEEF04BD;
  for (size_t at = 0; at + 16 <= resource.size(); at += 4) {
    if (word32(at) != kSignature) continue;
    const uint32_t high = word32(at + 8);
    const uint32_t low = word32(at + 12);
    return DecimalText(high >> 16) + u"." + DecimalText(high & 0xFFFF) + u"." + DecimalText(low >> 16) +
           u"." + DecimalText(low & 0xFFFF);
  }
  return {};
}

std::u16string DecimalText(int64_t value) {
  std::string digits;
  if (value < 0) digits += '-';
  AppendDigits(digits, value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value), 0);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace skylaunch

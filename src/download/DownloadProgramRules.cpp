#include "DownloadProgramRules.h"

#include <algorithm>

#include "RunLogText.h"

namespace skylaunch {
namespace {

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

bool IsBlankOrControl(char16_t c) { return c <= u' '; }

// The digits at the start of `text`, as a number; none when there are none or too many.
std::optional<uint32_t> LeadingNumber(std::u16string_view text) {
  uint64_t value = 0;
  size_t digits = 0;
  for (; digits < text.size() && text[digits] >= u'0' && text[digits] <= u'9'; ++digits) {
    value = value * 10 + (text[digits] - u'0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace

std::u16string_view ExtractLine(std::u16string_view& block) {
  const size_t end = block.find(u"\r\n");
  std::u16string_view line = block.substr(0, end);
  block.remove_prefix(end == std::u16string_view::npos ? block.size() : end + 2);
  return line;
}

std::u16string FindHeaderValue(std::u16string_view block, std::u16string_view name) {
  while (!block.empty()) {
    const std::u16string_view line = ExtractLine(block);
    std::u16string upper(line);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
    if (upper.find(name) == std::u16string::npos) continue;
    const size_t colon = line.find(u':');
    return std::u16string(colon == std::u16string_view::npos ? line : line.substr(colon + 1));
  }
  return {};
}

bool SplitStatusLine(std::u16string_view block, std::u16string& code, std::u16string& reason) {
  const std::u16string_view line = ExtractLine(block);
  const size_t first = line.find(u' ');
  if (first == std::u16string_view::npos) return false;
  const std::u16string_view rest = line.substr(first + 1);
  const size_t second = rest.find(u' ');
  // A line without a reason phrase still has its own code: keeping the previous response's
  // "200" would take an error page for the download.
  code = rest.substr(0, second);
  reason = second == std::u16string_view::npos ? std::u16string_view() : rest.substr(second + 1);
  return true;
}

std::u16string ForceHttpsScheme(std::u16string_view url) {
  static constexpr std::u16string_view kPlain = u"HTTP://";
  std::u16string upper(url);
  std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
  const size_t at = upper.find(kPlain);
  if (at == std::u16string::npos) return std::u16string(url);
  return std::u16string(url.substr(0, at)) + u"https://" + std::u16string(url.substr(at + kPlain.size()));
}

std::u16string TrimBlanksAndControls(std::u16string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return std::u16string(text);
}

std::string EncodeVersionText(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::u16string DecodeVersionText(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return text;
}

bool BodyIsComplete(int32_t contentLength, uint32_t received) {
  return contentLength == -1 || static_cast<uint32_t>(contentLength) == received;
}

std::u16string CatalogMismatch(const TCatalogFile& file, uint32_t size, const TSha256Digest& digest) {
  if (file.Size > 0 && static_cast<uint32_t>(file.Size) != size) {
    return DecimalText(size) + u" bytes where the catalog's Size is " + DecimalText(static_cast<uint32_t>(file.Size));
  }
  if (IsSha256Text(file.Hash) && !Sha256Matches(digest, file.Hash)) {
    return u"SHA-256 " + Sha256Text(digest) + u" where the catalog's Hash is " + file.Hash;
  }
  return {};
}

bool OffersByteRanges(std::u16string_view block) {
  std::u16string value = TrimBlanksAndControls(FindHeaderValue(block, u"ACCEPT-RANGES"));
  std::transform(value.begin(), value.end(), value.begin(), UpperAscii);
  return value == u"BYTES";
}

std::optional<uint32_t> ContentRangeStart(std::u16string_view block) {
  static constexpr std::u16string_view kUnit = u"BYTES ";
  std::u16string value = TrimBlanksAndControls(FindHeaderValue(block, u"CONTENT-RANGE"));
  std::u16string upper = value;
  std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
  if (!upper.starts_with(kUnit)) return std::nullopt;
  return LeadingNumber(std::u16string_view(value).substr(kUnit.size()));
}

std::u16string RangeRequestHeaders(uint32_t offset, std::u16string_view lastModified) {
  return u"Range: bytes=" + DecimalText(offset) + u"-\r\nIf-Range: " + TrimBlanksAndControls(lastModified);
}

}  // namespace skylaunch

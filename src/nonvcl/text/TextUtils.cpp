#include "TextUtils.h"

namespace skylaunch {

int32_t ParseIntDef(std::u16string_view text, int32_t defaultValue) {
  const size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return defaultValue;
  text.remove_prefix(first);

  // Unsigned arithmetic gives the two's-complement wrap-around without undefined behaviour.
  uint32_t accumulator = 0;
  uint32_t multiplier = 1;
  for (size_t i = text.size(); i-- > 0;) {
    const char16_t c = text[i];
    if (c == u'-') {
      if (i != 0) return defaultValue;
      accumulator = 0u - accumulator;
    } else if (c >= u'0' && c <= u'9') {
      accumulator += static_cast<uint32_t>(c - u'0') * multiplier;
      multiplier *= 10u;
    } else {
      return defaultValue;
    }
  }
  return static_cast<int32_t>(accumulator);
}

size_t LastDelimiterPos(std::u16string_view delimiters, std::u16string_view text) {
  for (size_t i = text.size(); i-- > 0;) {
    if (text[i] != u'\0' && delimiters.find(text[i]) != std::u16string_view::npos) return i + 1;
  }
  return 0;
}

std::u16string StripTrailingBackslashes(std::u16string_view text) {
  while (!text.empty() && text.back() == u'\\') text.remove_suffix(1);
  return std::u16string(text);
}

std::u16string ExtractFolder(std::u16string_view path) {
  return std::u16string(path.substr(0, LastDelimiterPos(u"\\:", path)));
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace skylaunch

#include "libstate_key.h"

#include "TextUtils.h"

namespace skylaunch {
namespace {

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; }

}  // namespace

std::u16string LibraryFileTitle(std::u16string_view name) {
  name.remove_prefix(LastDelimiterPos(kLibraryPathDelimiters, name));
  return std::u16string(name.substr(0, name.find(u'.')));
}

std::u16string LibraryKey(std::u16string_view name) {
  std::u16string key = LibraryFileTitle(name);
  for (char16_t& c : key) c = LowerAscii(c);
  return key;
}

int CompareLibraryKeys(std::u16string_view a, std::u16string_view b) {
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    const char16_t x = LowerAscii(a[i]);
    const char16_t y = LowerAscii(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool IsBareLibraryName(std::u16string_view name) {
  return name.find_first_of(kLibraryPathDelimiters) == std::u16string_view::npos;
}

}  // namespace skylaunch

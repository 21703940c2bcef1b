#include "NoUserOAuthBase64.h"

#include <cstdint>

namespace skylaunch {
namespace {

constexpr char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char16_t Digit(uint32_t group, int shift) { return kAlphabet[(group >> shift) & 0x3F]; }

}  // namespace

std::u16string EncodeBase64(std::string_view bytes) {
  std::u16string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 |
                           uint32_t(uint8_t(bytes[i + 2]));
    encoded += {Digit(group, 18), Digit(group, 12), Digit(group, 6), Digit(group, 0)};
  }
  const size_t rest = bytes.size() - i;
  if (rest == 1) {
    const uint32_t group = uint32_t(uint8_t(bytes[i])) << 16;
    encoded += {Digit(group, 18), Digit(group, 12), u'=', u'='};
  } else if (rest == 2) {
    const uint32_t group = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8;
    encoded += {Digit(group, 18), Digit(group, 12), Digit(group, 6), u'='};
  }
  return encoded;
}

}  // namespace skylaunch

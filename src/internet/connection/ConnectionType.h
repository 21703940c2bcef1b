#pragma once
// How the platform says the machine reaches the internet, reduced to one connection type.
#include <cstdint>

namespace skylaunch {

enum TConnectionType : uint8_t { ctNotConfigured = 0, ctLAN = 1, ctModem = 2, ctProxy = 3 };

// Exactly one of the modem (1), LAN (2) and proxy (4) bits names the type; none, or more than
// one of them, means no usable configuration. Higher bits are ignored.
constexpr TConnectionType ConnectionTypeFromFlags(uint32_t flags) {
  switch (flags & 7u) {
    case 1u: return ctModem;
    case 2u: return ctLAN;
    case 4u: return ctProxy;
    default: return ctNotConfigured;
  }
}

}  // namespace skylaunch

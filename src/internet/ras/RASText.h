#pragma once
// The texts of the dial-up wrapper: connection states and error messages. Platform-free.
#include <cstdint>
#include <string>
#include <string_view>

namespace skylaunch {

// Results of dial-up calls that the wrapper tells apart.
inline constexpr uint32_t kRASInvalidHandle = 6;  // the connection handle is not (or no longer) valid
inline constexpr uint32_t kRASCorruptEntry = 14;  // reported with advice about the phone-book entry
inline constexpr uint32_t kRASNotLoaded = 599;    // stands for every call while RASAPI32.DLL is not bound
inline constexpr uint32_t kRASFirstPlatformError = 600;  // from here on the platform has the texts
inline constexpr uint32_t kRASInvalidPortHandle = 601;
inline constexpr uint32_t kRASBufferTooSmall = 603;  // enumerations: more records than the buffer holds

// The text of a connection state as the status of a connection shows it. State 2 (device
// chosen) names the device; an unlisted state (7 and 9 included) gives "Unknown State: <n>".
std::u16string RASConnectStatusText(uint32_t state, std::u16string_view deviceName,
                                    std::u16string_view deviceType);

// The message of a non-zero dial-up error code: for codes from 600 up the platform's text, or
// "UnDefined Error: <n>" when `platformText` is empty; fixed sentences for 599 and 14; "Unknown
// Error: <n>" for any other code.
std::u16string RASErrorMessage(uint32_t code, std::u16string_view platformText);

// Whether the binding takes the extended function set on this platform: always on Windows 9x,
// and on Windows NT unless the version text (major "." minor) contains "3." (NT 3.x lacks it).
bool RASExtendedSetAvailable(bool isWindowsNT, uint32_t majorVersion, uint32_t minorVersion);

}  // namespace skylaunch

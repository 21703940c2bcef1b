#include "RASText.h"

#include <string>

#include "Utf.h"

namespace skylaunch {
namespace {

std::u16string Decimal(uint32_t value) { return FromUtf8(std::to_string(value)); }

// The fixed texts of the connection states; state 2 is built from the device.
constexpr struct {
  uint32_t State;
  const char16_t* Text;
} kStateTexts[] = {
    {0, u"Opening Port"},
    {1, u"Port Opened"},
    {3, u"Device is connected"},
    {4, u"All Required Devices Connected"},
    {5, u"Validating User/Password/Domain"},
    {6, u"Authentication Notification"},
    {8, u"Authentication Call Back"},
    {10, u"Project"},
    {11, u"Calculating Link speed"},
    {12, u"Authentication acknowledged"},
    {13, u"Reauthenticating"},
    {14, u"Login Authenticated"},
    {15, u"Preparing for Callback"},
    {16, u"Waiting for Modem Reset"},
    {17, u"Waiting for Callback"},
    {18, u"Projected"},
    {19, u"Start Authentication"},
    {8192, u"Connected"},
    {8193, u"DisConnected"},
};

constexpr uint32_t kDeviceChosen = 2;

}  // namespace

std::u16string RASConnectStatusText(uint32_t state, std::u16string_view deviceName,
                                    std::u16string_view deviceType) {
  if (state == kDeviceChosen) {
    return u"Using Device: " + std::u16string(deviceName) + u" - " + std::u16string(deviceType);
  }
  for (const auto& entry : kStateTexts) {
    if (entry.State == state) return entry.Text;
  }
  return u"Unknown State: " + Decimal(state);
}

std::u16string RASErrorMessage(uint32_t code, std::u16string_view platformText) {
  if (code >= kRASFirstPlatformError) {
    return platformText.empty() ? u"UnDefined Error: " + Decimal(code) : std::u16string(platformText);
  }
  if (code == kRASNotLoaded) return u"RASAPI32.DLL is not Loaded!";
  if (code == kRASCorruptEntry) {
    return u"Error 14 - PhoneBook Entry may be corrupt. Please Delete the Entry and Re-input the Data.";
  }
  return u"Unknown Error: " + Decimal(code);
}

bool RASExtendedSetAvailable(bool isWindowsNT, uint32_t majorVersion, uint32_t minorVersion) {
  if (!isWindowsNT) return true;
  const std::string version = std::to_string(majorVersion) + "." + std::to_string(minorVersion);
  return version.find("3.") == std::string::npos;
}

}  // namespace skylaunch

#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skylaunch {

// Which job the current run of the launcher does.
enum TProgramTarget : uint8_t {
  ptSkylaunch = 0,   // started as downloaded: fetch and install the current copy of itself
  ptWebConfig = 1,   // started with "/WebInstall": fetch the configuration file first
  ptWebInstall = 2,  // second pass of the same run: fetch and start the installer
};

// ptWebConfig when the first parameter is "/WebInstall" in any letter case of A to Z;
// ptSkylaunch otherwise. No other parameter is looked at.
TProgramTarget ProgramTargetFromParameters(const std::vector<std::u16string>& parameters);

// The per-target constants.
std::u16string_view TargetCaption(TProgramTarget target);
std::u16string_view TargetComponent(TProgramTarget target);
std::u16string_view TargetProduct(TProgramTarget target);
std::u16string_view TargetVersionFileName(TProgramTarget target);

}  // namespace skylaunch

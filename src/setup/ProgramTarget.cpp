#include "ProgramTarget.h"

#include <array>

#include "TextUtils.h"

namespace skylaunch {
namespace {

struct TTargetConstants {
  std::u16string_view caption, component, product, versionFile;
};

constexpr std::array<TTargetConstants, 3> kTargets{{
    {u"24 Sky Launch", u"Skylaunch24.exe", u"Skylaunch", u"Skylaunch24.ver"},
    {u"24 Setup", u"S24Launch.dat", u"Configuration", u"S24Launch.id"},
    {u"24 Setup", u"S24Launch.exe", u"Setup", u"S24Launch.ver"},
}};

const TTargetConstants& ConstantsOf(TProgramTarget target) {
  // The field is one byte; a value outside the enumeration must not index past the tables.
  return kTargets.at(static_cast<size_t>(target));
}

}  // namespace

TProgramTarget ProgramTargetFromParameters(const std::vector<std::u16string>& parameters) {
  if (!parameters.empty() && SameTextAscii(parameters.front(), u"/WebInstall")) return ptWebConfig;
  return ptSkylaunch;
}

std::u16string_view TargetCaption(TProgramTarget target) { return ConstantsOf(target).caption; }
std::u16string_view TargetComponent(TProgramTarget target) { return ConstantsOf(target).component; }
std::u16string_view TargetProduct(TProgramTarget target) { return ConstantsOf(target).product; }
std::u16string_view TargetVersionFileName(TProgramTarget target) {
  return ConstantsOf(target).versionFile;
}

}  // namespace skylaunch

// The release-catalog service's base URL, a deployment constant. This file is compiled once per
// set of values (see setup.cmake), so each executable picks its values when it links.
#include "ReleaseServiceURL.h"
#include "SkylaunchData.h"

namespace skylaunch {

std::u16string TSkylaunchData::ReleaseServiceBaseURL() { return SKYLAUNCH_RELEASE_SERVICE_URL; }

}  // namespace skylaunch

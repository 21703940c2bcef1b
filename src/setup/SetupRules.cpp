#include "SetupRules.h"

namespace skylaunch {

std::u16string InstallIniFileName(std::u16string_view folder) {
  std::u16string name(folder);
  if (name.empty() || name.back() != u'\\') name += u'\\';
  return name + u"Install.ini";
}

std::u16string CatalogQueryURL(std::u16string_view baseURL, std::u16string_view majorVersion,
                               std::u16string_view releaseStatus) {
  std::u16string url(baseURL);
  url += u"/v3/release-catalog/tarvosa-loader-app?major-version=";
  url += majorVersion;
  url += u"&status=";
  url += releaseStatus;
  return url;
}

}  // namespace skylaunch

#pragma once
// Platform-free composition rules of the setup data.
#include <string>
#include <string_view>

namespace skylaunch {

// folder + "\Install.ini", without doubling a trailing backslash of the folder.
std::u16string InstallIniFileName(std::u16string_view folder);

// The catalog query: major version and release status are inserted exactly as read, unescaped.
std::u16string CatalogQueryURL(std::u16string_view baseURL, std::u16string_view majorVersion,
                               std::u16string_view releaseStatus);

}  // namespace skylaunch

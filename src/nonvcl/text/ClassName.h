#pragma once
// The run-time class name of an object, as the window toolkit uses it for the default window
// class name and in its error messages ("Unable to create window TNonVCLButton").
#include <string>
#include <typeinfo>

namespace skylaunch {

// The unqualified name of `type`: namespaces, enclosing classes and functions are dropped, so
// skylaunch::TDownloadForm gives "TDownloadForm". Template arguments are kept as written.
std::u16string ClassNameOf(const std::type_info& type);

}  // namespace skylaunch

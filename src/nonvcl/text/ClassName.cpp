#include "ClassName.h"

#include <optional>
#include <string_view>

#include "MangledTypeName.h"
#include "Utf.h"

namespace skylaunch {
namespace {

// The start of the last name component: the position after the last "::" that is not inside
// template arguments or a function's parameter list.
size_t LastComponentStart(std::string_view name) {
  size_t start = 0;
  int depth = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '<' || c == '(') {
      ++depth;
    } else if (c == '>' || c == ')') {
      --depth;
    } else if (depth == 0 && c == ':' && i + 1 < name.size() && name[i + 1] == ':') {
      start = i + 2;
      ++i;
    }
  }
  return start;
}

}  // namespace

std::u16string ClassNameOf(const std::type_info& type) {
  const std::string_view mangled = type.name();
  const std::optional<std::string> demangled = DemangledTypeName(mangled);
  const std::string_view name = demangled ? std::string_view(*demangled) : mangled;
  return FromUtf8(name.substr(LastComponentStart(name)));
}

}  // namespace skylaunch

#include "ClassName.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <string_view>

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
  int status = 0;
  const std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  const std::string_view name = status == 0 && demangled ? demangled.get() : type.name();
  return FromUtf8(name.substr(LastComponentStart(name)));
}

}  // namespace skylaunch

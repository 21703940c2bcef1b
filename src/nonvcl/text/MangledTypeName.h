#pragma once
// The spelled-out name of a class from its mangled name (the C++ ABI's mangling, as
// std::type_info::name() gives it), for the kinds of names that classes have: namespaces, enclosing
// classes, the anonymous namespace, local classes of functions, and template arguments that are
// types. The runtime's general demangler reads every mangled name, but with the formatting library
// it needs it would be the largest part of the program.
#include <optional>
#include <string>
#include <string_view>

namespace skylaunch {

// The name as the runtime's demangler spells it ("outer::TBox<int const*, outer::TPlain>",
// "f(int)::TLocal"); nothing for a text that is not such a name (template arguments that are
// values, function and array types, lambdas and unnamed classes, operators, …).
std::optional<std::string> DemangledTypeName(std::string_view mangled);

}  // namespace skylaunch

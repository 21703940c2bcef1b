#pragma once
#include <exception>
#include <string>

namespace skylaunch {

// The text that reports an exception to the user: the Message of an ExceptionLite (or a
// descendant), "Unknown exception occurred." for any other exception object.
std::u16string ExceptionText(const std::exception_ptr& error);

}  // namespace skylaunch

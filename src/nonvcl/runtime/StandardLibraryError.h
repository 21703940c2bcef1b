#pragma once
// What the program throws where the C++ library reports a misuse or a limit of its own (a string
// or a vector beyond its largest size, a position past the end, a string made from null, …): the
// program's replacements of the library's throw helpers (ThrowHelpers.cpp) throw it in place of
// the library's logic_error and runtime_error families, whose reference-counted strings would bring
// a large part of the library into the program. Like those, it is a std::exception and no
// ExceptionLite, so every error boundary reports it as "Unknown exception occurred.".
#include <exception>

namespace skylaunch {

class EStandardLibraryError : public std::exception {
 public:
  // `message`: a text that lives as long as the program, as the library's own are.
  explicit EStandardLibraryError(const char* message) noexcept : fMessage(message) {}
  const char* what() const noexcept override { return fMessage; }

 private:
  const char* fMessage;
};

}  // namespace skylaunch

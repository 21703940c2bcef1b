// The terminate handler that the process starts with, until the runtime's start-up step sets its
// own (ExceptionHooks.cpp). The C++ library's default handler names the exception's type on the
// standard error stream, which this windowed program does not have; to name it, it links the
// library's demangler and the formatting code behind that, together about 75 KB.
// Defined here, the library's is never linked; like it, this one ends the process with abort.
//
// Linked, as an object, into the programs (program_runtime): the tests of the program's parts keep
// the library's handler, which tells them what escaped.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

// The C++ library's throw helpers, which its strings, containers and allocators call for their
// errors, defined by the program. The library defines them all in one object, and for the
// logic_error and runtime_error families that object brings along the library's reference-counted
// strings: with them, about 50 KB. Every helper is defined here, so that object is never linked.
// The library's exception types without strings are thrown as they are, the others as
// EStandardLibraryError with the same message (the "..._fmt" helper's message is its format, not
// filled in).
//
// Linked, as objects, into the programs (program_runtime), where they stand ahead of the library
// on the link line.
#include <bits/functexcept.h>

#include <new>
#include <typeinfo>

#include "StandardLibraryError.h"

namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* message) { throw skylaunch::EStandardLibraryError(message); }
void __throw_domain_error(const char* message) { throw skylaunch::EStandardLibraryError(message); }
void __throw_invalid_argument(const char* message) { throw skylaunch::EStandardLibraryError(message); }
void __throw_length_error(const char* message) { throw skylaunch::EStandardLibraryError(message); }
void __throw_out_of_range(const char* message) { throw skylaunch::EStandardLibraryError(message); }
void __throw_out_of_range_fmt(const char* format, ...) { throw skylaunch::EStandardLibraryError(format); }
void __throw_runtime_error(const char* message) { throw skylaunch::EStandardLibraryError(message); }
void __throw_range_error(const char* message) { throw skylaunch::EStandardLibraryError(message); }
void __throw_overflow_error(const char* message) { throw skylaunch::EStandardLibraryError(message); }
void __throw_underflow_error(const char* message) { throw skylaunch::EStandardLibraryError(message); }

}  // namespace std

#pragma once
// The process-wide exception hooks of the runtime, installed by its start-up step:
// - an operating-system exception raised by an instruction of this program (an access violation,
//   a division by zero, …) becomes an ExceptionLite with the text of GetExceptionObject, thrown
//   from the faulting instruction on the faulting thread, so catch blocks and the error
//   boundaries see it like any other exception;
// - memory exhaustion in operator new raises ExceptionLite "Out of memory.";
// - an exception that nothing catches, C++ or operating-system, is shown with ShowException and
//   the process ends with exit code 1.
// Exceptions raised inside system libraries are left to their own handlers; software exceptions
// (RaiseException) are never converted in place, since no unwinder of the x86 build can leave
// the system's frames, and reach the top of the process unless someone handles them.
//
// Everything that links this library is compiled with -fnon-call-exceptions so that unwinding
// from a faulting instruction finds its destructors and catch blocks (see runtime.cmake).
#include <exception>

namespace skylaunch {

// Installs the hooks once per process; later calls do nothing.
void InstallExceptionHooks();

// Shows E with ShowException, then ends the process with exit code 1 through the normal shutdown.
[[noreturn]] void UnhandledExceptionHandler(const std::exception_ptr& E);

}  // namespace skylaunch

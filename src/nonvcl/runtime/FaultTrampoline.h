#pragma once
// The machine-level half of the exception hooks: turning a faulting thread's context into a call
// that throws.
#include <windows.h>

#include <cstdint>

namespace skylaunch {

// The address of the instruction the context stopped at.
uintptr_t InstructionAddress(const CONTEXT& context);

// Rewrites a faulting thread's context so that, once resumed, the thread calls a function that
// throws GetExceptionObject(exceptionCode), as if the faulting instruction had called it. The
// unwinder then leaves the faulting function through its own exception tables (built with
// -fnon-call-exceptions), running its destructors and reaching its catch blocks.
void RedirectToThrow(CONTEXT& context, uint32_t exceptionCode);

}  // namespace skylaunch

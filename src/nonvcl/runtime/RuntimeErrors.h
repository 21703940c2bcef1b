#pragma once
// The fixed texts of the runtime's own failures and of operating-system exceptions. The hooks of
// ExceptionHooks.h raise them as ExceptionLite; platform-free, so the tables build everywhere.
#include <cstdint>
#include <string>

#include "ExceptionLite.h"

namespace skylaunch {

// Numbers of the runtime failures that the program reports itself; 3 to 24 are the numbers of
// the exception-code mapping below.
inline constexpr uint8_t reOutOfMemory = 1;
inline constexpr uint8_t reInvalidPointer = 2;

// The text of a runtime failure number of the 3 to 24 range ("External exception" for numbers
// without a text of their own).
std::u16string RuntimeErrorText(uint8_t Number);

// The message of a numbered runtime failure: 1 "Out of memory.", 2 "Invalid pointer.", 3 to 24
// RuntimeErrorText, anything else (the numbers of input/output errors) "File I/O error.".
std::u16string RuntimeFailureMessage(uint8_t Number);

// Raises the ExceptionLite of a numbered runtime failure.
[[noreturn]] void RuntimeErrorHandler(uint8_t Number);

// The runtime failure number of an operating-system exception code (22 for unknown codes).
uint8_t MapExceptionCode(uint32_t ExceptionCode);

// The exception object for an operating-system exception code. Differs from RuntimeErrorText in
// two places: an access violation reads "Access violoation." and the fallback ends with a period.
ExceptionLite GetExceptionObject(uint32_t ExceptionCode);

}  // namespace skylaunch

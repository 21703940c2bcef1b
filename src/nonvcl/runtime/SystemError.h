#pragma once
// The platform's texts for its error codes, and raising them as ExceptionLite.
#include <cstdint>
#include <string>

namespace skylaunch {

// The system's text for an error code without its trailing line break, blanks and period; empty
// when the system has no text for the code. Insertion sequences such as %1 stay unexpanded.
std::u16string SystemErrorText(uint32_t Code);

// "error <code> (<SystemErrorText>)", as the run log tells a failed call; an HRESULT's code in
// hexadecimal ("error 0x80070005 (…)").
std::u16string SystemFailureText(uint32_t Code);

// Raises ExceptionLite with the text of GetLastError, or "Unknown error." when it is 0.
[[noreturn]] void RaiseLastSystemError();

// Returns Value when it is non-zero (the platform call succeeded), else RaiseLastSystemError.
uint32_t CheckSystemCall(uint32_t Value);

}  // namespace skylaunch

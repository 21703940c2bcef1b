#include "RuntimeErrors.h"

namespace skylaunch {

std::u16string RuntimeErrorText(uint8_t Number) {
  switch (Number) {
    case 3: return u"Integer division by zero.";
    case 4: return u"Range error.";
    case 5: return u"Integer overflow";
    case 6: return u"Invalid operation.";
    case 7: return u"Floating point division by zero.";
    case 8: return u"Floating point overflow.";
    case 9: return u"Undeflow.";
    case 11: return u"Access violation.";
    case 12: return u"Priveledged instruction.";
    case 13: return u"Control break.";
    case 14: return u"Stack overflow.";
    default: return u"External exception";
  }
}

std::u16string RuntimeFailureMessage(uint8_t Number) {
  if (Number == reOutOfMemory) return u"Out of memory.";
  if (Number == reInvalidPointer) return u"Invalid pointer.";
  if (Number >= 3 && Number <= 24) return RuntimeErrorText(Number);
  return u"File I/O error.";
}

void RuntimeErrorHandler(uint8_t Number) { throw ExceptionLite(RuntimeFailureMessage(Number)); }

uint8_t MapExceptionCode(uint32_t ExceptionCode) {
  switch (ExceptionCode) {
    case 0xC0000005: return 11;  // access violation
    case 0xC000008C: return 4;   // array bounds exceeded
    case 0xC000008D: return 9;   // denormal floating-point operand
    case 0xC000008E: return 7;   // floating-point division by zero
    case 0xC000008F: return 6;   // inexact floating-point result
    case 0xC0000090: return 6;   // invalid floating-point operation
    case 0xC0000091: return 8;   // floating-point overflow
    case 0xC0000092: return 6;   // floating-point stack check
    case 0xC0000093: return 9;   // floating-point underflow
    case 0xC0000094: return 3;   // integer division by zero
    case 0xC0000095: return 5;   // integer overflow
    case 0xC0000096: return 12;  // privileged instruction
    case 0xC00000FD: return 14;  // stack overflow
    case 0xC000013A: return 13;  // control-C exit
    default: return 22;
  }
}

ExceptionLite GetExceptionObject(uint32_t ExceptionCode) {
  const uint8_t number = MapExceptionCode(ExceptionCode);
  if ((number >= 3 && number <= 10) || (number >= 12 && number <= 21)) {
    return ExceptionLite(RuntimeErrorText(number));
  }
  if (number == 11) return ExceptionLite(u"Access violoation.");
  return ExceptionLite(u"External exception.");
}

}  // namespace skylaunch

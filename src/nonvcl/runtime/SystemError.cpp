#include "SystemError.h"

#include <windows.h>

#include "ExceptionLite.h"
#include "RunLogText.h"
#include "WinText.h"

namespace skylaunch {

std::u16string SystemErrorText(uint32_t Code) {
  // FORMAT_MESSAGE_IGNORE_INSERTS: no argument array is passed, and without the flag a text with
  // insertion sequences would make the system read arguments that do not exist.
  constexpr DWORD kFlags =
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_IGNORE_INSERTS;
  wchar_t buffer[256]{};
  const DWORD length = FormatMessageW(kFlags, nullptr, Code, 0, buffer, 256, nullptr);
  std::u16string text(as_u16cstr(buffer), length);
  while (!text.empty() && (text.back() <= u' ' || text.back() == u'.')) text.pop_back();
  return text;
}

std::u16string SystemFailureText(uint32_t Code) {
  std::u16string code;
  if (Code & 0x80000000u) {
    code = u"0x";
    for (int shift = 28; shift >= 0; shift -= 4) code += u"0123456789ABCDEF"[(Code >> shift) & 0xF];
  } else {
    code = DecimalText(Code);
  }
  return u"error " + code + u" (" + SystemErrorText(Code) + u")";
}

void RaiseLastSystemError() {
  const DWORD code = GetLastError();
  if (code == 0) throw ExceptionLite(u"Unknown error.");
  throw ExceptionLite(SystemErrorText(code));
}

uint32_t CheckSystemCall(uint32_t Value) {
  if (Value == 0) RaiseLastSystemError();
  return Value;
}

}  // namespace skylaunch

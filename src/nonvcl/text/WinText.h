#pragma once
// The program's text is std::u16string; wchar_t is 16-bit on Windows, so the Win32 boundary
// only reinterprets pointers.
#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text is UTF-16");

namespace skylaunch {

inline const wchar_t* as_wcstr(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline const wchar_t* as_wcstr(const std::u16string& text) { return as_wcstr(text.c_str()); }
inline wchar_t* as_wstr(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* as_u16cstr(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// A string from a possibly null, zero-terminated platform text.
inline std::u16string FromWide(const wchar_t* text) {
  return text ? std::u16string(as_u16cstr(text)) : std::u16string();
}

}  // namespace skylaunch

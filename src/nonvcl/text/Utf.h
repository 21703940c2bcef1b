#pragma once
// Conversions between the program's UTF-16 text and UTF-8, used only where bytes leave or
// enter the program (exception texts for what(), test output, files written as UTF-8).
#include <string>
#include <string_view>

namespace skylaunch {

// Unpaired surrogates become U+FFFD, so the result is always valid UTF-8.
std::string ToUtf8(std::u16string_view text);
// Invalid sequences become U+FFFD.
std::u16string FromUtf8(std::string_view bytes);
// True when the bytes form valid UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

}  // namespace skylaunch

#pragma once
// Text and path rules shared by the setup data, the download workflow and the hand-off.
// Platform-free.
#include <cstdint>
#include <string>
#include <string_view>

namespace skylaunch {

// Decimal integer with an optional leading '-' after leading blanks; anything else (trailing
// blanks, '+', other characters, empty text) yields `defaultValue`. Values beyond 32 bits wrap.
int32_t ParseIntDef(std::u16string_view text, int32_t defaultValue);

// 1-based position of the last character of `text` that is one of `delimiters` (U+0000 never
// matches); 0 when there is none.
size_t LastDelimiterPos(std::u16string_view delimiters, std::u16string_view text);

std::u16string StripTrailingBackslashes(std::u16string_view text);

// The folder part of a path including its final '\' or ':'; empty for a bare name.
std::u16string ExtractFolder(std::u16string_view path);

// Letter case of A to Z ignored, as the platform's switches and member names are compared.
bool SameTextAscii(std::u16string_view a, std::u16string_view b);

}  // namespace skylaunch

#pragma once
// How the library list names its libraries, and which names the loader takes from the system
// folder. Platform-free.
#include <string>
#include <string_view>

namespace skylaunch {

// The characters that end a folder part in a library name. '/' counts as the platform's loader
// accepts it as a folder separator.
inline constexpr char16_t kLibraryPathDelimiters[] = u"\\/:";

// The file-name part of `name` (everything after its last path delimiter), cut before its first
// '.', in the letter case given: "C:\Windows\System32\WinInet.dll" -> "WinInet", "a.b.dll" -> "a".
std::u16string LibraryFileTitle(std::u16string_view name);

// The list's key of a library name: its file title in lower case (letters A to Z).
std::u16string LibraryKey(std::u16string_view name);

// Letter case of A to Z ignored; the order of the list's sorted keys.
int CompareLibraryKeys(std::u16string_view a, std::u16string_view b);

// A name without any path delimiter; the loader takes such names from the system folder only.
bool IsBareLibraryName(std::u16string_view name);

}  // namespace skylaunch

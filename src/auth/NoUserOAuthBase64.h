#pragma once
// Base64 of RFC 4648: the standard alphabet, "=" as the fill character, no line breaks. Platform-free.
#include <string>
#include <string_view>

namespace skylaunch {

// The text is taken as one byte per character. The result's capacity is exactly its length, so no
// partial copy of an encoded secret is left behind by growing it.
std::u16string EncodeBase64(std::string_view bytes);

}  // namespace skylaunch

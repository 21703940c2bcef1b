#pragma once
// JSON text to a UTF-16 DOM, safe for whatever the network delivers: parsing is iterative (no
// recursion however deep the nesting), numbers are converted here rather than by the library
// (its exponent arithmetic overflows a C int on literals such as 0.1e-2147483639), and strings
// with unpaired UTF-16 surrogates are rejected. A number beyond the range of a double is a
// parse error, as the library has it. The DOM keeps every member of an object in document
// order, duplicates included.
#include <rapidjson/document.h>

#include <cstddef>
#include <string>

#include "ExceptionLite.h"

namespace skylaunch {

// The library's UTF-16, except that a lone surrogate produced by an escape such as "\uDC00" is
// stored as it stands instead of tripping the library's assertion; TJsonText then rejects
// the string that holds it. A type of our own also keeps these parser instantiations apart
// from those of other modules.
struct TJsonUtf16 : rapidjson::UTF16<char16_t> {
  template <class OutputStream>
  static void Encode(OutputStream& os, unsigned codepoint) {
    if (codepoint <= 0xFFFF) {
      os.Put(static_cast<char16_t>(codepoint));
    } else {
      const unsigned v = codepoint - 0x10000;
      os.Put(static_cast<char16_t>(0xD800 | (v >> 10)));
      os.Put(static_cast<char16_t>(0xDC00 | (v & 0x3FF)));
    }
  }
  template <class OutputStream>
  static void EncodeUnsafe(OutputStream& os, unsigned codepoint) {
    Encode(os, codepoint);
  }
};

using TJsonDocument = rapidjson::GenericDocument<TJsonUtf16>;
using TJsonValue = rapidjson::GenericValue<TJsonUtf16>;

// Text that is not well-formed JSON; Offset is the position (in UTF-16 code units from 0) at
// which the parser stopped, and the message names it.
class EJsonParseError : public ExceptionLite {
 public:
  EJsonParseError(std::u16string_view reason, size_t offset);
  size_t Offset() const { return fOffset; }

 private:
  size_t fOffset;
};

// A parsed JSON text. Parsing happens in place: the strings of the DOM point into the object's
// own copy of the text. Raises EJsonParseError for malformed text (a raw U+0000 anywhere
// included) and for a string with an unpaired surrogate, raw or escaped.
class TJsonText {
 public:
  explicit TJsonText(std::u16string text);
  TJsonText(const TJsonText&) = delete;
  TJsonText& operator=(const TJsonText&) = delete;

  const TJsonValue& Root() const { return fDocument; }

 private:
  std::u16string fBuffer;
  TJsonDocument fDocument;
};

}  // namespace skylaunch

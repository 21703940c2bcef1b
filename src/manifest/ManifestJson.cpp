#include "ManifestJson.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace skylaunch {
namespace {

// Numbers arrive as their literal text, see PushNumber. In place, because the library's copy of
// a number's text into a UTF-16 DOM overwrites the text while copying it.
constexpr unsigned kParseFlags =
    rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseInsituFlag;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool HasUnpairedSurrogate(std::u16string_view text) {
  // Surrogates are rare: a branch-free pass over every string first (it vectorises), the exact
  // walk only for a string that holds one.
  bool anySurrogate = false;
  for (const char16_t c : text) anySurrogate |= (c & 0xF800) == 0xD800;
  if (!anySurrogate) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      return true;
    }
  }
  return false;
}

// Gives the document the value of a number literal that the parser has already checked
// against the JSON grammar: integers that fit 64 bits exactly, everything else as a double.
bool PushNumber(TJsonDocument& document, std::u16string_view literal) {
  const bool negative = literal.front() == u'-';
  const std::u16string_view digits = literal.substr(negative ? 1 : 0);
  if (digits.find_first_not_of(u"0123456789") == std::u16string_view::npos) {
    uint64_t magnitude = 0;
    bool fits = true;
    for (const char16_t c : digits) {
      const unsigned digit = c - u'0';
      if (magnitude > (UINT64_MAX - digit) / 10) {
        fits = false;
        break;
      }
      magnitude = magnitude * 10 + digit;
    }
    if (fits && !negative) return document.Uint64(magnitude);
    if (fits && magnitude <= uint64_t{1} << 63) return document.Int64(static_cast<int64_t>(0 - magnitude));
  }
  // The C library copes with any exponent (overflow gives infinity, underflow 0); the literal is
  // plain ASCII, and the program never leaves the "C" locale. atof rather than strtod: in the
  // Windows build the toolchain puts a strtod of its own into the program (some 15 KB), while
  // atof is the system's C runtime, which the program imports anyway.
  const std::string ascii(literal.begin(), literal.end());
  return document.Double(std::atof(ascii.c_str()));
}

// Passes the parser's events on to the document, checking strings and converting numbers on
// the way. Returning false stops the parser (kParseErrorTermination).
class TCheckedDocumentBuilder {
 public:
  using Ch = char16_t;

  explicit TCheckedDocumentBuilder(TJsonDocument& document) : fDocument(document) {}

  bool RejectedString() const { return fRejectedString; }

  bool Null() { return fDocument.Null(); }
  bool Bool(bool value) { return fDocument.Bool(value); }
  // With numbers read as text the parser calls RawNumber only; these complete the interface.
  bool Int(int value) { return fDocument.Int(value); }
  bool Uint(unsigned value) { return fDocument.Uint(value); }
  bool Int64(int64_t value) { return fDocument.Int64(value); }
  bool Uint64(uint64_t value) { return fDocument.Uint64(value); }
  bool Double(double value) { return fDocument.Double(value); }
  bool RawNumber(const Ch* text, rapidjson::SizeType length, bool) {
    return PushNumber(fDocument, std::u16string_view(text, length));
  }
  bool String(const Ch* text, rapidjson::SizeType length, bool copy) {
    if (!CheckString(text, length)) return false;
    return fDocument.String(text, length, copy);
  }
  bool Key(const Ch* text, rapidjson::SizeType length, bool copy) {
    if (!CheckString(text, length)) return false;
    return fDocument.Key(text, length, copy);
  }
  bool StartObject() { return fDocument.StartObject(); }
  bool EndObject(rapidjson::SizeType memberCount) { return fDocument.EndObject(memberCount); }
  bool StartArray() { return fDocument.StartArray(); }
  bool EndArray(rapidjson::SizeType elementCount) { return fDocument.EndArray(elementCount); }

 private:
  bool CheckString(const Ch* text, rapidjson::SizeType length) {
    fRejectedString = HasUnpairedSurrogate(std::u16string_view(text, length));
    return !fRejectedString;
  }

  TJsonDocument& fDocument;
  bool fRejectedString = false;
};

std::u16string AsciiToText(const char* ascii) {
  return std::u16string(ascii, ascii + std::char_traits<char>::length(ascii));
}

std::u16string DecimalText(size_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

EJsonParseError::EJsonParseError(std::u16string_view reason, size_t offset)
    : ExceptionLite(u"The release manifest is not valid JSON (offset " + DecimalText(offset) + u"): " +
                    std::u16string(reason)),
      fOffset(offset) {}

TJsonText::TJsonText(std::u16string text) : fBuffer(std::move(text)) {
  const size_t length = fBuffer.size();
  rapidjson::GenericInsituStringStream<TJsonUtf16> stream(fBuffer.data());
  rapidjson::GenericReader<TJsonUtf16, TJsonUtf16> reader;
  TCheckedDocumentBuilder builder(fDocument);
  rapidjson::ParseResult result;
  auto generate = [&](TJsonDocument&) {
    result = reader.Parse<kParseFlags>(stream, builder);
    return !result.IsError();
  };
  fDocument.Populate(generate);

  if (result.IsError()) {
    if (result.Code() == rapidjson::kParseErrorTermination && builder.RejectedString()) {
      throw EJsonParseError(u"A string ending here contains an unpaired UTF-16 surrogate.", result.Offset());
    }
    throw EJsonParseError(AsciiToText(rapidjson::GetParseError_En(result.Code())), result.Offset());
  }
  // The stream ends at the first U+0000, so text after one would otherwise pass unseen.
  if (stream.Tell() != length) throw EJsonParseError(u"Unexpected U+0000 character.", stream.Tell());
}

}  // namespace skylaunch

#include "NoUserOAuthAnswer.h"

#include <charconv>

namespace skylaunch {

TOAuthAnswer::TOAuthAnswer(std::string& body) {
  // The in-place parser takes a zero byte for the end of the text; what followed it would go unseen.
  if (body.find('\0') != std::string::npos) return;
  // Numbers as strings keep a number's text exactly as the service wrote it.
  fDocument.ParseInsitu<rapidjson::kParseNumbersAsStringsFlag>(body.data());
  if (fDocument.HasParseError()) fDocument.SetNull();
}

std::optional<std::string_view> TOAuthAnswer::Member(std::string_view name) const {
  if (!fDocument.IsObject()) return std::nullopt;
  for (auto member = fDocument.MemberBegin(); member != fDocument.MemberEnd(); ++member) {
    const std::string_view memberName(member->name.GetString(), member->name.GetStringLength());
    if (memberName != name) continue;
    if (!member->value.IsString()) return std::nullopt;
    return std::string_view(member->value.GetString(), member->value.GetStringLength());
  }
  return std::nullopt;
}

std::optional<int32_t> ReadInteger(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace skylaunch

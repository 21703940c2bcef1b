#pragma once
// The OAuth service's answers: a JSON object whose members are looked up by exact name, the first of
// duplicated members counting. Platform-free.
#include <rapidjson/document.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skylaunch {

class TOAuthAnswer {
 public:
  // Parses `body` in place: member texts point into it and no copy of them is made, so wiping the
  // body afterwards wipes every secret the answer held. `body` must outlive the answer.
  explicit TOAuthAnswer(std::string& body);

  // True when the body is one JSON value and that value is an object.
  bool IsObject() const { return fDocument.IsObject(); }

  // The text of the first member named exactly `name` (letter case counts): a string's characters
  // or a number's digits as written. Empty when there is no such member, when the answer is not an
  // object, or when the first such member holds anything else (true, null, an object, ...).
  std::optional<std::string_view> Member(std::string_view name) const;

 private:
  rapidjson::Document fDocument;
};

// The decimal integer of an "expires_in" text: an optional '-' and digits, nothing else, within
// 32 bits. Empty for anything else ("3600.0", "1e3", " 60", "", out of range).
std::optional<int32_t> ReadInteger(std::string_view text);

}  // namespace skylaunch

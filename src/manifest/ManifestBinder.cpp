#include "ManifestBinder.h"

#include <string_view>

#include "TextUtils.h"

namespace skylaunch {
namespace {

template <class T>
std::unique_ptr<T> BindObject(const TJsonValue& object);

std::u16string_view TextOf(const TJsonValue& value) {
  return std::u16string_view(value.GetString(), value.GetStringLength());
}

// Fills the fields of one object from the members of one JSON object.
class TMemberBinder {
 public:
  explicit TMemberBinder(const TJsonValue& object) : fObject(object) {}

  void operator()(std::u16string_view key, std::u16string& field) const {
    const TJsonValue* value = Find(key);
    if (value && value->IsString()) field = TextOf(*value);
  }
  void operator()(std::u16string_view key, int32_t& field) const {
    const TJsonValue* value = Find(key);
    if (value && value->IsInt()) field = value->GetInt();
  }
  void operator()(std::u16string_view key, bool& field) const {
    const TJsonValue* value = Find(key);
    if (value && value->IsBool()) field = value->GetBool();
  }
  template <class T>
  void operator()(std::u16string_view key, std::unique_ptr<T>& field) const {
    const TJsonValue* value = Find(key);
    if (value && value->IsObject()) field = BindObject<T>(*value);
  }
  template <class T>
  void operator()(std::u16string_view key, std::vector<std::unique_ptr<T>>& field) const {
    const TJsonValue* value = Find(key);
    if (!value || !value->IsArray()) return;
    field.reserve(value->Size());
    for (const TJsonValue& entry : value->GetArray()) {
      field.push_back(entry.IsObject() ? BindObject<T>(entry) : nullptr);
    }
  }
  void operator()(std::u16string_view key, ArrayOfText& field) const {
    const TJsonValue* value = Find(key);
    if (!value || !value->IsArray()) return;
    field.reserve(value->Size());
    for (const TJsonValue& entry : value->GetArray()) {
      field.emplace_back(entry.IsString() ? TextOf(entry) : std::u16string_view());
    }
  }

 private:
  // The last matching member: a later duplicate replaces an earlier one. Every property scans
  // all members, so the cheap length test comes first.
  const TJsonValue* Find(std::u16string_view key) const {
    for (auto member = fObject.MemberEnd(); member != fObject.MemberBegin();) {
      --member;
      if (member->name.GetStringLength() == key.size() && SameTextAscii(TextOf(member->name), key)) {
        return &member->value;
      }
    }
    return nullptr;
  }

  const TJsonValue& fObject;
};

template <class T>
std::unique_ptr<T> BindObject(const TJsonValue& object) {
  auto result = std::make_unique<T>();
  T::VisitProperties(*result, TMemberBinder(object));
  return result;
}

}  // namespace

std::unique_ptr<TZaltoManifest> BindManifest(const TJsonValue& object) {
  return BindObject<TZaltoManifest>(object);
}

}  // namespace skylaunch

#include "ManifestWriter.h"

#include <rapidjson/writer.h>

#include <string_view>

namespace skylaunch {
namespace {

// The writer's output stream: appends to the text.
class TTextOutput {
 public:
  using Ch = char16_t;
  explicit TTextOutput(std::u16string& text) : fText(text) {}
  void Put(Ch c) { fText.push_back(c); }
  void Flush() {}

 private:
  std::u16string& fText;
};

using TJsonWriter = rapidjson::Writer<TTextOutput, rapidjson::UTF16<char16_t>, rapidjson::UTF16<char16_t>>;

template <class T>
void WriteObject(TJsonWriter& writer, const T* object);

class TPropertyWriter {
 public:
  explicit TPropertyWriter(TJsonWriter& writer) : fWriter(writer) {}

  void operator()(std::u16string_view key, const std::u16string& field) const {
    WriteKey(key);
    WriteText(field);
  }
  void operator()(std::u16string_view key, int32_t field) const {
    WriteKey(key);
    fWriter.Int(field);
  }
  void operator()(std::u16string_view key, bool field) const {
    WriteKey(key);
    fWriter.Bool(field);
  }
  template <class T>
  void operator()(std::u16string_view key, const std::unique_ptr<T>& field) const {
    WriteKey(key);
    WriteObject(fWriter, field.get());
  }
  template <class T>
  void operator()(std::u16string_view key, const std::vector<std::unique_ptr<T>>& field) const {
    WriteKey(key);
    fWriter.StartArray();
    for (const auto& element : field) WriteObject(fWriter, element.get());
    fWriter.EndArray();
  }
  void operator()(std::u16string_view key, const ArrayOfText& field) const {
    WriteKey(key);
    fWriter.StartArray();
    for (const auto& text : field) WriteText(text);
    fWriter.EndArray();
  }

 private:
  void WriteKey(std::u16string_view key) const {
    fWriter.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
  }
  void WriteText(const std::u16string& text) const {
    fWriter.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
  }

  TJsonWriter& fWriter;
};

template <class T>
void WriteObject(TJsonWriter& writer, const T* object) {
  if (object == nullptr) {
    writer.Null();
    return;
  }
  writer.StartObject();
  T::VisitProperties(*object, TPropertyWriter(writer));
  writer.EndObject();
}

}  // namespace

std::u16string WriteManifestJson(const TZaltoManifest& manifest) {
  std::u16string text;
  TTextOutput output(text);
  TJsonWriter writer(output);
  WriteObject(writer, &manifest);
  return text;
}

// Here rather than with the rest of the class: a program that only reads manifests (the launcher)
// then links no writer.
std::u16string TZaltoManifest::GetAsJson() const { return WriteManifestJson(*this); }

}  // namespace skylaunch

// libFuzzer target: the text-to-manifest path of the download workflow, then serialisation and
// the lookups. Besides crashes it checks two properties that must hold for every input that
// binds: the serialised text binds again to a manifest with the same text, and looking up the
// name of any file item finds an item of that name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ExceptionLite.h"
#include "TextUtils.h"
#include "ZaltoManifestBinding.h"

namespace {

using skylaunch::TZaltoManifest;

// Bytes to UTF-16: a UTF-8 sequence becomes its code units, surrogate code points included so
// that unpaired surrogates reach the parser; any other byte stands for the code unit of its value.
std::u16string DecodeInput(const uint8_t* data, size_t size) {
  std::u16string text;
  text.reserve(size);
  for (size_t i = 0; i < size;) {
    const uint8_t lead = data[i];
    const size_t length = lead < 0x80             ? 1
                          : (lead & 0xE0) == 0xC0 ? 2
                          : (lead & 0xF0) == 0xE0 ? 3
                          : (lead & 0xF8) == 0xF0 ? 4
                                                  : 0;
    char32_t cp = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length != 0 && i + length <= size;
    for (size_t k = 1; valid && k < length; ++k) {
      valid = (data[i + k] & 0xC0) == 0x80;
      cp = (cp << 6) | (data[i + k] & 0x3F);
    }
    if (!valid) {
      text += char16_t(lead);
      ++i;
      continue;
    }
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      text += char16_t(0xD800 + ((cp - 0x10000) >> 10));
      text += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      text += char16_t(cp);
    }
    i += length;
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<TZaltoManifest> manifest;
  try {
    manifest = TZaltoManifest::CreateObjectFromString(DecodeInput(data, size));
  } catch (const skylaunch::ExceptionLite&) {
    return 0;
  }
  const std::u16string json = manifest->GetAsJson();
  // An exception here escapes and counts as a finding too.
  if (TZaltoManifest::CreateObjectFromString(json)->GetAsJson() != json) abort();

  for (const auto& item : manifest->FileItems()) {
    if (!item) continue;
    const skylaunch::TFileItem* found = manifest->GetFileItemByComponentName(item->FileName());
    if (found == nullptr || !skylaunch::SameTextAscii(found->FileName(), item->FileName())) abort();
  }
  manifest->GetFileItemByComponentName(u"S24Launch.exe");
  manifest->GetCompleteReleaseVersion();
  manifest->GetReleaseMajorVersion();
  return 0;
}

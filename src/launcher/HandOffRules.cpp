#include "HandOffRules.h"

#include "TextUtils.h"

namespace skylaunch {

std::u16string ReplaceExtension(std::u16string_view fileName, std::u16string_view ext) {
  const size_t position = LastDelimiterPos(u".\\:", fileName);
  std::u16string result(fileName);
  if (position > 0 && fileName[position - 1] == u'.') result.resize(position - 1);
  return result + std::u16string(ext);
}

std::u16string TrimText(std::u16string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  return std::u16string(text.substr(first, last - first));
}

std::u16string JoinParameters(const std::vector<std::u16string>& parameters) {
  std::u16string text;
  for (const auto& parameter : parameters) text = TrimText(text + u" " + parameter);
  return text;
}

std::u16string LauncherCommandLine(std::u16string_view launcher, std::u16string_view parameters) {
  return u"\"" + std::u16string(launcher) + u"\" /WebInstall " + std::u16string(parameters);
}

std::u16string InstallerCommandLine(std::u16string_view installer, std::u16string_view commandLine) {
  return u"\"" + std::u16string(installer) + u"\" " + std::u16string(commandLine);
}

}  // namespace skylaunch

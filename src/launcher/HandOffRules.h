#pragma once
// How the hand-off names files and builds the command lines of the programs it starts.
// Platform-free.
#include <string>
#include <string_view>
#include <vector>

namespace skylaunch {

// The text before the last '.' of the file name followed by `ext`; when the last '.', '\' or ':'
// is not a dot (no extension), `ext` is appended to the whole name.
std::u16string ReplaceExtension(std::u16string_view fileName, std::u16string_view ext);

// The launcher's parameters 1 to n joined with blanks, trimmed after each step (quotes of
// parameters that contained blanks are not kept).
std::u16string JoinParameters(const std::vector<std::u16string>& parameters);

// Blanks and control characters removed at both ends.
std::u16string TrimText(std::u16string_view text);

// "\"<launcher>\" /WebInstall <parameters>": ends with a blank when there are no parameters.
std::u16string LauncherCommandLine(std::u16string_view launcher, std::u16string_view parameters);

// "\"<installer>\" <command line>". The path is quoted, so that an elevated launcher never starts
// "C:\Program.exe" or another file planted along an unquoted path with blanks.
std::u16string InstallerCommandLine(std::u16string_view installer, std::u16string_view commandLine);

}  // namespace skylaunch

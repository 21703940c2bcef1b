#pragma once
// Handing over to what was just downloaded: the Start-menu shortcut, the swap of the launcher's
// own copy, and the start of the new launcher or the installer as detached processes.
#include <windows.h>

#include <string>
#include <vector>

#include "Handles.h"
#include "SkylaunchData.h"

namespace skylaunch {

// The launcher's own parameters 1 to n, as the platform splits its command line.
std::vector<std::u16string> CommandLineParameters();
// The same, joined with blanks.
std::u16string GetParameters();

// Writes the shell link FLinkFilename to FLinkTarget, creating its folder when missing.
void CreateShortcut(const TSkylaunchData& data);

// "Skylaunch24.new" replaces "Skylaunch24.exe" (the old one kept as ".old" until the move
// succeeded), then "Skylaunch24.exe" is started with " /WebInstall " and the parameters. Returns
// the started copy's process, empty when none started.
TKernelHandle ReplaceAndLaunch(const TSkylaunchData& data);

// Starts the installer with `commandLine` in the shared folder; when it is missing, tells the user
// in a box owned by `owner` and starts nothing.
void LaunchInstaller(HWND owner, const TSkylaunchData& data, const std::u16string& commandLine);

// Starts a program without waiting for it: detached, nothing inherited, the launcher's environment
// and startup information. `currentFolder` empty: the launcher's current folder. Whether it
// started goes to the run log only; the result is its process (empty when none started), for the
// hand-over to the launcher's copy.
TKernelHandle StartDetached(const std::u16string& commandLine, const std::u16string& currentFolder);

}  // namespace skylaunch

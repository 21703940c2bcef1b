#include "HandOff.h"

#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "HandOffRules.h"
#include "Handles.h"
#include "RunLog.h"
#include "SystemError.h"
#include "TextUtils.h"
#include "WinText.h"

namespace skylaunch {
namespace {

bool FileExists(const std::u16string& name) {
  const DWORD attributes = GetFileAttributesW(as_wcstr(name));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::u16string& name) {
  const DWORD attributes = GetFileAttributesW(as_wcstr(name));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// COM for the calling thread while a shortcut is written; uninitialised only when this call
// initialised it or found it initialised already (S_OK or S_FALSE), as the platform requires.
class TComApartment {
 public:
  TComApartment() : fResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~TComApartment() {
    if (fResult == S_OK || fResult == S_FALSE) CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

 private:
  HRESULT fResult;
};

}  // namespace

std::vector<std::u16string> CommandLineParameters() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::u16string> parameters;
  for (int i = 1; arguments && i < count; ++i) parameters.push_back(FromWide(arguments[i]));
  LocalFree(arguments);
  return parameters;
}

std::u16string GetParameters() { return JoinParameters(CommandLineParameters()); }

void CreateShortcut(const TSkylaunchData& data) {
  TComApartment apartment;
  {
    TComPtr<IUnknown> object;
    // Without the shell-link object there is nothing to write; no call is made on it.
    const HRESULT created =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                         reinterpret_cast<void**>(object.Put()));
    if (FAILED(created)) {
      RunLog(u"shortcut " + data.LinkFilename() + u": not written, no shell-link object, " +
             SystemFailureText(static_cast<uint32_t>(created)));
      return;
    }
    TComPtr<IShellLinkW> link;
    TComPtr<IPersistFile> file;
    if (FAILED(object->QueryInterface(IID_IShellLinkW, reinterpret_cast<void**>(link.Put()))) ||
        FAILED(object->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put())))) {
      RunLog(u"shortcut " + data.LinkFilename() + u": not written, the shell-link object lacks an interface");
      return;
    }
    link->SetPath(as_wcstr(data.LinkTarget()));
    link->SetDescription(as_wcstr(data.AppDescription()));
    link->SetArguments(as_wcstr(data.LinkArguments()));
    link->SetWorkingDirectory(as_wcstr(data.LinkTargetPath()));
    link->SetIconLocation(as_wcstr(data.LinkTarget()), 0);
    link->SetShowCmd(0);

    const std::u16string& linkFile = data.LinkFilename();
    const std::u16string folder = StripTrailingBackslashes(linkFile.substr(0, linkFile.rfind(u'\\') + 1));
    if (!FolderExists(folder)) SHCreateDirectoryExW(nullptr, as_wcstr(folder), nullptr);
    const HRESULT saved = file->Save(as_wcstr(linkFile), FALSE);
    RunLog(u"shortcut " + linkFile + u" to " + data.LinkTarget() +
           (SUCCEEDED(saved) ? std::u16string(u": written")
                             : u": not written, " + SystemFailureText(static_cast<uint32_t>(saved))));
  }  // the interfaces go before the apartment
}

TKernelHandle ReplaceAndLaunch(const TSkylaunchData& data) {
  const std::u16string fullName = data.ComponentFullFileName();
  const std::u16string newName = ReplaceExtension(fullName, u".new");
  const std::u16string oldName = ReplaceExtension(fullName, u".old");
  DeleteFileW(as_wcstr(oldName));
  if (FileExists(newName)) {
    MoveFileW(as_wcstr(fullName), as_wcstr(oldName));  // fails unnoticed on a first installation
    if (MoveFileW(as_wcstr(newName), as_wcstr(fullName))) {
      DeleteFileW(as_wcstr(oldName));
      RunLog(u"moved " + newName + u" to " + fullName);
    } else {
      const DWORD error = GetLastError();
      // The new copy cannot take its place: the installed one goes back, so a failed update
      // leaves the launcher that was there.
      MoveFileW(as_wcstr(oldName), as_wcstr(fullName));
      RunLog(u"could not move " + newName + u" to " + fullName + u", " + SystemFailureText(error) +
             u"; the installed copy stays");
    }
  } else {
    RunLog(u"no " + newName + u": the installed copy stays");
  }
  return StartDetached(LauncherCommandLine(fullName, GetParameters()), u"");
}

void LaunchInstaller(HWND owner, const TSkylaunchData& data, const std::u16string& commandLine) {
  const std::u16string installer = data.ComponentFullFileName();
  if (!FileExists(installer)) {
    wchar_t caption[256]{};
    GetWindowTextW(owner, caption, 256);
    LoggedMessageBox(owner, u"Unable to find " + data.Component(), FromWide(caption), MB_OK);
    return;
  }
  StartDetached(InstallerCommandLine(installer, commandLine), data.InstallFolder());
}

TKernelHandle StartDetached(const std::u16string& commandLine, const std::u16string& currentFolder) {
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  PROCESS_INFORMATION process{};
  // The platform may write into the command line, so it gets a copy of its own.
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  const std::u16string start =
      u"start " + commandLine + u" in " +
      (currentFolder.empty() ? std::u16string(u"the launcher's current folder") : currentFolder);
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                      currentFolder.empty() ? nullptr : as_wcstr(currentFolder), &startup, &process)) {
    RunLog(start + u": not started, " + SystemFailureText(GetLastError()));
    return {};
  }
  TKernelHandle thread(process.hThread);
  RunLog(start + u": started, process id " + DecimalText(process.dwProcessId));
  return TKernelHandle(process.hProcess);
}

}  // namespace skylaunch

// The program entry: module start-up, the launcher window, the message loop, the exit code.
#include <windows.h>

#include <exception>
#include <typeinfo>

#include "ChainLock.h"
#include "ClassName.h"
#include "DownloadForm.h"
#include "HandOff.h"
#include "ModuleStartup.h"
#include "ProgramTarget.h"
#include "RunLog.h"
#include "SystemUtils.h"

namespace skylaunch {
namespace {

// Before anything else: no library may come from the folder the program was started in (usually
// the user's download folder), since the program runs with administrator rights.
void RestrictLibrarySearch() {
  using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  const auto setDefault = reinterpret_cast<TSetDefaultDllDirectories>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

// A start with "/WebInstall" may be the copy that a running launcher hands the chain over to.
bool IsHandOverCopy() { return ProgramTargetFromParameters(CommandLineParameters()) == ptWebConfig; }

int GiveWayToTheRunningChain() {
  BringChainForward(ClassNameOf(typeid(TDownloadForm)));
  RunLogExit(0, u"another launcher is running");
  return 0;
}

int RunLauncher() {
  MSG message{};
  try {
    TOwned<TDownloadForm> form = Create<TDownloadForm>(10, 10, 350, 150, nullptr);
    if (!form->Aborted()) {
      form->Show();
      form->StartSetup();
      while (GetMessageW(&message, nullptr, 0, 0)) {
        // The keyboard as in a dialog: Tab stays on the one button, and Esc, Enter and Alt+C reach
        // the window as commands (TDownloadForm::WndProc).
        if (IsDialogMessageW(form->Handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      form->RethrowSetupError();
    }
  } catch (...) {
    // The window object is gone by now (released while the error passed).
    ShowException(std::current_exception());
  }
  return static_cast<int>(message.wParam);
}

}  // namespace
}  // namespace skylaunch

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  skylaunch::RestrictLibrarySearch();
  skylaunch::StartRunLog();
  // Before anything is shown, written or sent: one launcher chain at a time on the machine.
  const skylaunch::TChainLock chain(skylaunch::IsHandOverCopy());
  if (chain.AnotherChainRuns()) return skylaunch::GiveWayToTheRunningChain();
  int code = 0;
  {
    skylaunch::TModuleStartup modules;
    code = skylaunch::RunLauncher();
  }
  skylaunch::RunLogExit(static_cast<uint32_t>(code));
  return code;
}

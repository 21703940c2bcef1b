#include "DownloadForm.h"

#include <shlobj.h>

#include <functional>
#include <utility>

#include "ChainLock.h"
#include "DeliveringLock.h"
#include "DownloadFormLayout.h"
#include "ExceptionText.h"
#include "HandOff.h"
#include "HandOffRules.h"
#include "PlatformHttp.h"
#include "ProgramTarget.h"
#include "RunLog.h"
#include "SystemUtils.h"
#include "WinText.h"

namespace skylaunch {
namespace {

constexpr char16_t kNoConnectionText[] =
    u"Unable to establish an internet connection.\nPlease check your internet configuration and try again.";

// How long the closing window waits for a worker or the connection check. Their stop checks keep
// them from sending or writing anything more; one that the platform still holds in a blocked
// network call after this (a stalled server, a trickling download), or that shows a box, is not
// waited for: the process ends without it.
constexpr uint32_t kWorkerGrace = 1000;

// The bar catches up with the worker's progress this often (milliseconds): smooth to the eye, and
// no cost to the download.
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressInterval = 30;

// How long the launcher waits for the copy it handed over to to ask for the chain lock (a fresh
// process, which a virus scanner may hold up for a while) before it ends anyway.
constexpr DWORD kCopyStart = 30000;

// Runs a body of the window's on a thread of its own; created suspended.
class TSetupThread : public TThread {
 public:
  explicit TSetupThread(std::function<void()> body) : TThread(true), fBody(std::move(body)) {}

 protected:
  void Execute() override { fBody(); }

 private:
  std::function<void()> fBody;
};

std::u16string_view TargetName(TProgramTarget target) {
  switch (target) {
    case ptWebConfig:
      return u"ptWebConfig (configuration)";
    case ptWebInstall:
      return u"ptWebInstall (installer)";
    default:
      return u"ptSkylaunch (the launcher's own copy)";
  }
}

// Where this pass stands: what it fetches, from where, into which folder.
void LogTarget(const TSkylaunchData& data) {
  RunLog(u"target " + std::u16string(TargetName(data.AppType())) + u": component " + data.Component() +
         u", program folder " + data.InstallFolder() + u", release status " + data.ReleaseStatus() +
         u", major version " + data.MajorVersion());
}

void LogConnectionCheck(bool connected, const TInternetManager& manager) {
  if (connected) {
    RunLog(u"connection check: the service can be reached");
  } else {
    RunLog(u"connection check: the service cannot be reached, " + InternetFailureText(manager.LastError()));
  }
}

}  // namespace

void TDownloadForm::FillWindowClass(WNDCLASSW& wndClass) {
  fClassName = GetWindowClassName();
  wndClass.style = CS_VREDRAW | CS_HREDRAW;
  wndClass.lpfnWndProc = DefWindowProcW;
  wndClass.cbClsExtra = 0;
  wndClass.cbWndExtra = 0;
  wndClass.hInstance = GetModuleHandleW(nullptr);
  wndClass.hIcon = LoadIconW(wndClass.hInstance, L"MAINICON");
  wndClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wndClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wndClass.lpszMenuName = nullptr;
  wndClass.lpszClassName = as_wcstr(fClassName);
}

DWORD TDownloadForm::GetExStyle() const { return WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT; }

DWORD TDownloadForm::GetStyle() const {
  return WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
}

void TDownloadForm::WMCreate(TMessage&) {
  fWindowThreadId = GetCurrentThreadId();
  FSkylaunchData = Create<TSkylaunchData>();
  fInternetMgr = Create<TInternetManager>(nullptr);
  fDownloadThread = Create<TDownloadThread>(true);
  fAbort = false;
  fCommandLine.clear();
  fDpi = WindowDpi(fHandle);
  fFont = TGuiFont(fDpi);
  ScaleToOwnDpi();
  CenterWindow();
  SetAppTypeFromCommandLine();
  LogTarget(*FSkylaunchData);
  SetCaption(FSkylaunchData->AppDescription());
  CreateControls();
  SetTimer(fHandle, kProgressTimer, kProgressInterval, nullptr);
}

void TDownloadForm::ScaleToOwnDpi() {
  if (fDpi == kLayoutDpi) return;
  RECT window{};
  GetWindowRect(fHandle, &window);
  SetWindowPos(fHandle, nullptr, ScaleToDpi(window.left, fDpi), ScaleToDpi(window.top, fDpi),
               ScaleToDpi(window.right - window.left, fDpi), ScaleToDpi(window.bottom - window.top, fDpi),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDownloadForm::CreateControls() {
  const TDownloadFormLayout layout = DownloadFormLayout(Width(), Height(), fDpi);
  const TControlBounds& label = layout.InstrLabel;
  fInstrLabel = Create<TNonVCLLabel>(label.Top, label.Left, label.Width, label.Height, fHandle);
  fInstrLabel->SetCaption(u"This program will download and launch " + FSkylaunchData->Caption() +
                          u" application.");
  const TControlBounds& bar = layout.ProgressBar;
  fProgressBar = Create<TNonVCLProgressBar>(bar.Top, bar.Left, bar.Width, bar.Height, fHandle);
  const TControlBounds& button = layout.CancelButton;
  fCancelButton = Create<TNonVCLButton>(button.Top, button.Left, button.Width, button.Height, fHandle);
  fCancelButton->SetCaption(u"&Cancel");
  fCancelButton->OnClick = [this](TObject* sender) { CancelButtonClick(sender); };
  fCancelButton->SetFocus();
  // They were made with the stock font, which is the right one at the system DPI. Not sent again
  // there: under Wine a second WM_SETFONT keeps the label from painting before the message loop
  // runs.
  if (!fFont.IsStock()) SetControlsFont(false);
}

std::array<TNonVCLWindow*, 3> TDownloadForm::Controls() const {
  return {fInstrLabel.get(), fProgressBar.get(), fCancelButton.get()};
}

void TDownloadForm::SetControlsFont(bool redraw) {
  for (TNonVCLWindow* control : Controls()) {
    if (control) control->SetFont(fFont.Handle(), redraw);
  }
}

void TDownloadForm::DpiChanged(UINT dpi, const RECT& suggested) {
  fDpi = dpi;
  SetWindowPos(fHandle, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  const TDownloadFormLayout layout = DownloadFormLayout(Width(), Height(), fDpi);
  const auto place = [](TNonVCLWindow* control, const TControlBounds& at) {
    if (control) control->SetBounds(at.Top, at.Left, at.Width, at.Height);  // none after WMClose
  };
  place(fInstrLabel.get(), layout.InstrLabel);
  place(fProgressBar.get(), layout.ProgressBar);
  place(fCancelButton.get(), layout.CancelButton);
  // The previous font is deleted only when no control uses it any more.
  const TGuiFont previous = std::exchange(fFont, TGuiFont(dpi));
  SetControlsFont(true);
}

void TDownloadForm::SetAppTypeFromCommandLine() {
  FSkylaunchData->SetAppType(ProgramTargetFromParameters(CommandLineParameters()));
}

void TDownloadForm::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_SETFOCUS:
      if (fCancelButton) fCancelButton->SetFocus();
      DefaultHandler(message);
      break;
    case WM_COMMAND:
      if (fCancelButton && IsCancelCommand(LOWORD(message.WParam))) fCancelButton->Click();
      break;
    case WM_DPICHANGED:
      DpiChanged(LOWORD(message.WParam), *reinterpret_cast<const RECT*>(message.LParam));
      break;
    case WM_TIMER:
      if (message.WParam == kProgressTimer) {
        ShowProgress();
      } else {
        TNonVCLWindow::WndProc(message);
      }
      break;
    default:
      TNonVCLWindow::WndProc(message);
  }
}

bool TDownloadForm::IsCancelCommand(WORD id) const {
  // The button's own notification (a click, Space, or Alt+C through its mnemonic), and what the
  // dialog navigation of the message loop makes of Esc (IDCANCEL) and of Enter (IDOK, since the
  // window has no default button): Enter acts on the focused button, as in a dialog.
  return id == fCancelButton->ItemID() || id == IDCANCEL ||
         (id == IDOK && GetFocus() == fCancelButton->Handle());
}

void TDownloadForm::Show() {
  if (!fHandle) return;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  ShowWindow(fHandle, (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT);
  UpdateWindow(fHandle);
}

void TDownloadForm::StartSetup() {
  fStarterThread = Create<TSetupThread>([this] { FirstSetup(); });
  fStarterThread->Resume();
}

void TDownloadForm::FirstSetup() {
  try {
    SetupDownloadThread();
  } catch (...) {
    const TLocked locked(fMembersLock);
    // After Cancel an error is no longer the user's concern; before it, it ends the run.
    if (fAbort) {
      RunLog(u"after Cancel, not shown: " + ExceptionText(std::current_exception()));
      return;
    }
    fSetupError = std::current_exception();
    RequestQuit();
  }
}

void TDownloadForm::RethrowSetupError() {
  const auto locked = LockDelivering(fMembersLock);
  if (fSetupError) std::rethrow_exception(std::exchange(fSetupError, nullptr));
}

void TDownloadForm::SetupDownloadThread() {
  bool connected = false;
  fCommandLine = TrimText(fCommandLine) + u" " + GetParameters();
  SHCreateDirectoryExW(nullptr, as_wcstr(FSkylaunchData->InstallFolder()), nullptr);
  fFileChanged = false;
  try {
    fInternetMgr->SetValidationHost(FSkylaunchData->ValidateURL());
    // After Cancel nothing more is checked, asked or started.
    while (!connected && !fAbort) {
      connected = fInternetMgr->ValidateConnection();
      LogConnectionCheck(connected, *fInternetMgr);
      if (!connected && !fAbort && !fInternetMgr->Connect() && !fAbort) {
        if (LoggedMessageBox(nullptr, kNoConnectionText, u"Error", MB_TASKMODAL | MB_RETRYCANCEL) == IDCANCEL)
          break;
      }
    }
    if (connected) ConfigureAndStartWorker();
  } catch (...) {
    if (!connected) RequestQuit();
    throw;
  }
  if (!connected) RequestQuit();
}

void TDownloadForm::ConfigureAndStartWorker() {
  const TLocked locked(fMembersLock);
  if (!fDownloadThread || fAbort) return;  // cancelled, or the window is being released
  TDownloadThread& worker = *fDownloadThread;
  const TSkylaunchData& data = *FSkylaunchData;
  worker.SetComponent(data.Component());
  worker.SetFileName(data.AppType() == ptSkylaunch ? ReplaceExtension(data.ComponentFullFileName(), u".new")
                                                   : data.ComponentFullFileName());
  worker.SetDownloadURL(data.ServiceURL());
  worker.SetProduct(data.AppDescription());
  worker.SetVersionFileName(data.VersionFile());
  worker.OnDownloadComplete = [this](TObject* sender) { ThreadDownloadComplete(sender); };
  worker.OnUpdateDownloadStatus = [this](int32_t status, bool& stop) { ThreadUpdateDownloadStatus(status, stop); };
  worker.OnUpdateStatusText = [this](const std::u16string& text) { ThreadUpdateStatusText(text); };
  worker.OnError = [this](const std::exception_ptr& error) { ThreadError(error); };
  worker.OnFileChange = [this](TObject* sender) { ThreadFileChange(sender); };
  worker.Resume();
}

void TDownloadForm::RequestQuit() {
  // The quit request must reach the loop of the window's thread, not the calling thread's queue.
  PostThreadMessageW(fWindowThreadId, WM_QUIT, 0, 0);
}

void TDownloadForm::ThreadUpdateStatusText(const std::u16string& NewStatus) {
  const TLocked locked(fMembersLock);
  if (fInstrLabel) fInstrLabel->SetCaption(NewStatus);
}

void TDownloadForm::ThreadUpdateDownloadStatus(int32_t, bool& StopThread) {
  StopThread = fAbort;
  if (StopThread) return;  // the window is closing: the lock is Cancel's now
  const TLocked locked(fMembersLock);
  if (!fDownloadThread) return;
  fProgressMax = fDownloadThread->MaxStatus();
  ++fProgressSteps;
}

void TDownloadForm::ShowProgress() {
  const int32_t steps = fProgressSteps.exchange(0);
  if (steps == 0 || !fProgressBar) return;
  fProgressBar->SetMax(fProgressMax);
  // Step by step, as the pieces came: the bar's own stepping rules apply unchanged.
  for (int32_t i = 0; i < steps; ++i) fProgressBar->StepIt();
}

void TDownloadForm::CatchUpProgress() {
  if (GetCurrentThreadId() == fWindowThreadId) return ShowProgress();
  // The progress timer's own message, sent: handled at once, as its next tick would be.
  if (fProgressSteps != 0) SendMessageW(fHandle, WM_TIMER, kProgressTimer, 0);
}

void TDownloadForm::ThreadFileChange(TObject*) { fFileChanged = true; }

void TDownloadForm::ThreadError(const std::exception_ptr& ExceptObject) {
  // After Cancel an error is the stop's doing or no longer the user's concern: no box.
  if (fAbort) {
    RunLog(u"after Cancel, not shown: " + ExceptionText(ExceptObject));
    return;
  }
  CatchUpProgress();
  ShowException(ExceptObject);
  RunLogExit(1);
  ExitProcess(1);
}

void TDownloadForm::StopWork() {
  // Seen at once by the worker's handlers, the hand-off and the connection check.
  fAbort = true;
  fInternetMgr->SetAbort(true);
}

void TDownloadForm::CancelButtonClick(TObject*) {
  RunLog(u"Cancel pressed");
  StopWork();
  const auto locked = LockDelivering(fMembersLock);
  ShowProgress();
  if (fProgressBar) fProgressBar->StepIt();
  if (fDownloadThread) fDownloadThread->Terminate();
  PostMessageW(fHandle, WM_CLOSE, 0, 0);
}

void TDownloadForm::WMClose(TMessage&) {
  // Closing the window is a cancel too (after a hand-off it changes nothing).
  StopWork();
  {
    const auto locked = LockDelivering(fMembersLock);
    if (fDownloadThread) fDownloadThread->Terminate();
    fInstrLabel.reset();
    fProgressBar.reset();
    fCancelButton.reset();
  }
  PostQuitMessage(0);
}

void TDownloadForm::BeforeDestruction() {
  // Each thread is taken out under the lock and released outside it: releasing waits for the
  // thread, which may still need the lock. A thread that was checking the connection may have put
  // the next worker in place meanwhile, so repeat until none is left.
  for (;;) {
    TOwned<TThread> thread;
    {
      const auto locked = LockDelivering(fMembersLock);
      if (fDownloadThread) {
        thread = std::move(fDownloadThread);
      } else {
        thread = std::move(fStarterThread);
      }
    }
    if (!thread) break;
    thread->Terminate();
    if (!thread->EndsWithin(kWorkerGrace)) {
      RunLogExit(0, u"a worker did not end within a second; the process ends without it");
      TerminateProcess(GetCurrentProcess(), 0);
    }
    thread.reset();
  }
  fInternetMgr.reset();
  FSkylaunchData.reset();
  TNonVCLWindow::BeforeDestruction();
}

// The hand-off, on the worker thread.

void TDownloadForm::ThreadDownloadComplete(TObject*) {
  // The download is over: the bar shows all of it before anything else happens.
  if (!fAbort) CatchUpProgress();
  // Under the lock that Cancel takes: a hand-off runs whole before Cancel takes effect, or not at
  // all. Cancel's flag is set before it waits for the lock, so none starts once it was pressed.
  TLocked locked(fMembersLock);
  if (fAbort || !fDownloadThread) return;
  if (fInstrLabel) fInstrLabel->SetCaption(u"Launching " + FSkylaunchData->AppDescription());
  switch (FSkylaunchData->AppType()) {
    case ptSkylaunch: {
      CreateShortcut();
      // The copy carries the chain on: its ticket must be on offer when it starts, and this
      // launcher ends, releasing the chain lock, only once the copy waits for it.
      THandOver handOver;
      const TKernelHandle copy = ReplaceAndLaunch();
      // The copy has been started: from here Cancel only closes the window.
      locked.Unlock();
      handOver.AwaitCopy(copy.Get(), kCopyStart);
      PostMessageW(fHandle, WM_CLOSE, 0, 0);
      break;
    }
    case ptWebConfig: {
      FSkylaunchData->SetAppType(ptWebInstall);
      LogTarget(*FSkylaunchData);
      fDownloadThread->Terminate();
      // This worker checks the connection again and starts the next one; the thread that did so
      // before it has ended.
      TOwned<TThread> previous = std::exchange(fStarterThread, std::move(fDownloadThread));
      fDownloadThread = Create<TDownloadThread>(true);
      // The check may wait for the network and ask the user: Cancel must be able to come in.
      locked.Unlock();
      previous.reset();
      SetupDownloadThread();
      break;
    }
    case ptWebInstall: {
      const std::u16string old = ReplaceExtension(FSkylaunchData->LinkTarget(), u".old");
      if (GetFileAttributesW(as_wcstr(old)) != INVALID_FILE_ATTRIBUTES) DeleteFileW(as_wcstr(old));
      LaunchInstaller();
      PostMessageW(fHandle, WM_CLOSE, 0, 0);
      break;
    }
  }
}

void TDownloadForm::CreateShortcut() { skylaunch::CreateShortcut(*FSkylaunchData); }
TKernelHandle TDownloadForm::ReplaceAndLaunch() { return skylaunch::ReplaceAndLaunch(*FSkylaunchData); }
void TDownloadForm::LaunchInstaller() { skylaunch::LaunchInstaller(fHandle, *FSkylaunchData, fCommandLine); }

}  // namespace skylaunch

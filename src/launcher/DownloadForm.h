#pragma once
// The one window the user sees: an instruction line, a progress bar and Cancel. It checks that
// the release-catalog service can be reached, runs the download worker, shows its status and
// progress, and hands over to what was downloaded.
#include <windows.h>

#include <array>
#include <atomic>
#include <exception>
#include <string>

#include "DownloadThread.h"
#include "Dpi.h"
#include "InternetMgr.h"
#include "Locks.h"
#include "NonVCLControls.h"
#include "NonVCLWindow.h"
#include "SkylaunchData.h"

namespace skylaunch {

class TDownloadForm : public TNonVCLWindow {
 public:
  using TNonVCLWindow::TNonVCLWindow;

  bool Aborted() const { return fAbort; }
  // Shows and paints the window with the show command the process was started with.
  void Show();
  // Starts SetupDownloadThread on a thread of its own: the connection check may wait for the
  // network or for the user for many seconds, and the window answers meanwhile.
  void StartSetup();
  // After the message loop: raises again an error that ended StartSetup's thread, for the entry to
  // show once the window is gone.
  void RethrowSetupError();

  void WndProc(TMessage& message) override;

  // The parts of the hand-off, public so that each can be exercised on its own.
  void CreateShortcut();
  TKernelHandle ReplaceAndLaunch();
  void LaunchInstaller();

  // The worker's progress event, on the worker thread: it answers StopThread from Cancel at once
  // and only publishes the step. The window's thread shows the steps at a rate a person can see: a
  // message to the window's thread for every piece of the body would cost the download a round
  // trip each.
  void ThreadUpdateDownloadStatus(int32_t CurStatus, bool& StopThread);
  // Shows the steps published so far, now: on the window's thread directly, from the worker (at
  // the end of a download) by one message.
  void CatchUpProgress();

 protected:
  void FillWindowClass(WNDCLASSW& wndClass) override;
  DWORD GetExStyle() const override;
  DWORD GetStyle() const override;
  void WMCreate(TMessage& message) override;
  void WMClose(TMessage& message) override;
  void BeforeDestruction() override;

 private:
  void SetAppTypeFromCommandLine();
  // The window was created with its size in pixels at 96 DPI: brings it to its own DPI.
  void ScaleToOwnDpi();
  void CreateControls();
  // The label, the progress bar and the button; null once WMClose has freed them.
  std::array<TNonVCLWindow*, 3> Controls() const;
  void SetControlsFont(bool redraw);
  // WM_DPICHANGED (the window moved to a monitor of another DPI, or its monitor's DPI changed):
  // the suggested rectangle, the controls placed for the new client area and DPI, their font.
  void DpiChanged(UINT dpi, const RECT& suggested);
  // Whether a WM_COMMAND identifier means the Cancel button; only while the button exists.
  bool IsCancelCommand(WORD id) const;
  // Checks the connection (Retry/Cancel while it fails), then configures the current worker and
  // starts it. Never on the window's thread: on StartSetup's thread first, then on the worker
  // during the configuration hand-off.
  void SetupDownloadThread();
  // The body of StartSetup's thread.
  void FirstSetup();
  void ConfigureAndStartWorker();
  void RequestQuit();
  // On the window's thread: the bar takes the steps published since it last did.
  void ShowProgress();
  // Cancel, or the window closing: from now on nothing is checked, sent, written or started.
  void StopWork();

  // Worker events, all on the worker thread.
  void ThreadUpdateStatusText(const std::u16string& NewStatus);
  void ThreadFileChange(TObject* Sender);
  void ThreadError(const std::exception_ptr& ExceptObject);
  void ThreadDownloadComplete(TObject* Sender);
  void CancelButtonClick(TObject* Sender);

  std::u16string fCommandLine;
  std::atomic<bool> fAbort{false};
  std::atomic<bool> fFileChanged{false};
  TOwned<TDownloadThread> fDownloadThread;
  // The window's DPI and the controls' font for it; the font is declared before the controls,
  // so that it outlives them.
  UINT fDpi{kLayoutDpi};
  TGuiFont fFont;
  TOwned<TNonVCLProgressBar> fProgressBar;
  TOwned<TNonVCLButton> fCancelButton;
  TOwned<TNonVCLLabel> fInstrLabel;
  TOwned<TInternetManager> fInternetMgr;
  TOwned<TSkylaunchData> FSkylaunchData;

  // The worker's handlers reach the controls and the current worker under this lock; the
  // window's thread takes it while delivering the messages the worker sends (so neither waits
  // for the other) before it frees controls or swaps workers.
  TRecursiveLock fMembersLock;
  // Published by the worker per piece of the body, taken by ShowProgress: the bar's maximum and the
  // steps not shown yet.
  std::atomic<int32_t> fProgressMax{0};
  std::atomic<int32_t> fProgressSteps{0};
  // The thread that checks the connection and starts the current worker: StartSetup's at first,
  // then the worker that ran the configuration download; kept until it has ended.
  TOwned<TThread> fStarterThread;
  // What ended StartSetup's thread, until the entry takes it.
  std::exception_ptr fSetupError;
  DWORD fWindowThreadId{0};
  std::u16string fClassName;
};

}  // namespace skylaunch

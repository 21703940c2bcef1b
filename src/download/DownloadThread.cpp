#include "DownloadThread.h"

namespace skylaunch {

void TDownloadThread::Execute() {
  try {
    RunWorkflow();
    if (!Terminated() && OnDownloadComplete) OnDownloadComplete(this);
  } catch (...) {
    // The exception object lives until the handler has returned.
    if (OnError) OnError(std::current_exception());
  }
}

void TDownloadThread::RunWorkflow() {
  {
    TOwned<TDownloadProgram> program = Create<TDownloadProgram>();
    const TLocked locked(fProgramLock);
    fDownloadProgram = std::move(program);
  }
  // Released on every way out, under the lock, so Terminate never meets a half-released object.
  struct TRelease {
    TDownloadThread& thread;
    ~TRelease() {
      TOwned<TDownloadProgram> program;
      {
        const TLocked locked(thread.fProgramLock);
        program = std::move(thread.fDownloadProgram);
      }
    }
  } release{*this};

  TDownloadProgram& program = *fDownloadProgram;
  program.SetComponent(fComponent);
  program.SetProduct(fProduct);
  program.OnUpdateStatusText = OnUpdateStatusText;
  program.OnUpdateDownloadStatus = OnUpdateDownloadStatus;
  program.OnFileChange = OnFileChange;
  // A termination requested before the workflow existed must still stop it.
  if (Terminated()) program.SetAbort(true);
  program.Execute(fDownloadURL, fFileName, fVersionFileName);
}

void TDownloadThread::Terminate() {
  TThread::Terminate();
  const TLocked locked(fProgramLock);
  if (fDownloadProgram) fDownloadProgram->SetAbort(true);
}

int32_t TDownloadThread::MaxStatus() const {
  const TLocked locked(fProgramLock);
  return fDownloadProgram ? fDownloadProgram->DownloadSize() / 4096 + 1 : 0;
}

}  // namespace skylaunch

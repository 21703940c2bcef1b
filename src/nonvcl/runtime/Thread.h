#pragma once
// TThread: a worker thread object with a cross-thread call (Synchronize) that the main thread
// services while it waits for a thread (WaitFor).
//
//   class TWorker : public TThread {
//    public:
//     TWorker() : TThread(true) {}
//    protected:
//     void Execute() override { while (!Terminated()) ...; }
//   };
//   TOwned<TWorker> worker = Create<TWorker>();  // created suspended: runs after Resume()
//   worker->Resume();
//   ...
//   worker.reset();  // Terminate, wait for the thread, release
//
// The operating-system thread is always created suspended in Construct, so a descendant's
// Construct finishes before the thread runs; AfterConstruction resumes it unless CreateSuspended.
// An exception that escapes Execute is kept in FatalException. With FreeOnTerminate the object
// frees itself on its own thread when Execute returns; hand it over with release().
//
// The runtime's start-up step (InitializeNonVCLMisc, Runtime.h) must have run: it creates the
// ThreadLock that guards the thread count and the queue of cross-thread calls.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

#include "Handles.h"
#include "List.h"
#include "NotifyEvent.h"
#include "RootObject.h"

namespace skylaunch {

using TThreadMethod = std::function<void()>;

enum TThreadPriority : uint8_t {
  tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical
};

// The Windows thread priority of each TThreadPriority, in order.
inline constexpr int PriorityValues[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                         THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                         THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                         THREAD_PRIORITY_TIME_CRITICAL};

class TThread : public TObject {
 public:
  explicit TThread(bool CreateSuspended);

  void Resume();
  void Suspend();
  // Only sets the terminated flag; Execute decides when to return.
  virtual void Terminate();
  // Waits until the thread has ended and returns its exit code. On the main thread it keeps
  // running queued Synchronize calls and delivering messages that other threads send.
  uint32_t WaitFor();
  // Waits as WaitFor does, but at most `milliseconds`; true when the thread has ended, and at once
  // for a thread that was never resumed (releasing the object ends that one without running it).
  bool EndsWithin(uint32_t milliseconds);

  HANDLE Handle() const { return FHandle.Get(); }
  uint32_t ThreadID() const { return FThreadID; }
  bool Suspended() const { return FSuspended; }
  void SetSuspended(bool Value);
  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
  TThreadPriority Priority() const { return GetPriority(); }
  void SetPriority(TThreadPriority Value);
  const TNonVCLNotifyEvent& OnTerminate() const { return FOnTerminate; }
  void SetOnTerminate(TNonVCLNotifyEvent Value) { FOnTerminate = std::move(Value); }
  // What escaped Execute; kept until the object is released.
  std::exception_ptr FatalException() const { return FFatalException; }

 protected:
  // The thread body.
  virtual void Execute() = 0;
  // Runs on the thread after Execute: OnTerminate, on the main thread through Synchronize.
  virtual void DoTerminate();
  // Runs Method on the main thread (the next time it calls CheckSynchronization) and waits for
  // it; an exception that Method raises is raised again here. On the main thread: a direct call.
  void Synchronize(TThreadMethod Method);
  void CallOnTerminate();
  // Raises the text of GetLastError when Success is false and the last error is not 0.
  void CheckThreadError(bool Success) const;

  bool Terminated() const { return FTerminated; }
  int32_t ReturnValue() const { return FReturnValue; }
  void SetReturnValue(int32_t Value) { FReturnValue = Value; }

  void Construct() override;
  void AfterConstruction() override;
  void Destroy() override;

 private:
  friend bool CheckSynchronization();
  static DWORD WINAPI ThreadEntry(LPVOID Parameter);
  bool WaitUntilEnded(DWORD timeout);
  TThreadPriority GetPriority() const;
  void ResumeUntilRunning();

  TKernelHandle FHandle;
  uint32_t FThreadID{};
  bool FCreateSuspended{};
  std::atomic<bool> FTerminated{};
  bool FSuspended{};
  bool FFreeOnTerminate{};
  std::atomic<bool> FFinished{};
  int32_t FReturnValue{};
  TNonVCLNotifyEvent FOnTerminate;
  TThreadMethod FMethod;
  std::exception_ptr FSynchronizeException;
  std::exception_ptr FFatalException;
  bool fCounted{};  // ThreadAdded has run, so tear-down must run ThreadRemoved
};

// On the main thread: runs every queued Synchronize call (while holding ThreadLock) and tells
// whether there were any. Anywhere else raises "Error in check synchronization thread.".
bool CheckSynchronization();

// The module state, readable for diagnostics and tests.
uint32_t MainThreadID();
int32_t ThreadCount();
bool SyncPending();
// The queue of waiting Synchronize calls; null until the first thread is created.
const TList* SyncQueue();

// The runtime's start-up and shutdown steps for ThreadLock (see Runtime.h).
void CreateThreadLock();
void DeleteThreadLock();

}  // namespace skylaunch

#include "Thread.h"

#include "ExceptionHooks.h"
#include "ExceptionLite.h"
#include "SystemError.h"

namespace skylaunch {
namespace {

// The process's first thread runs the static initialisers: that is the main thread.
const DWORD TheMainThreadID = GetCurrentThreadId();

// ThreadLock: re-entrant, so a call that the main thread runs for Synchronize may itself create
// or release threads.
CRITICAL_SECTION ThreadLockSection;

class TThreadLockHold {
 public:
  TThreadLockHold() { EnterCriticalSection(&ThreadLockSection); }
  ~TThreadLockHold() { LeaveCriticalSection(&ThreadLockSection); }
  TThreadLockHold(const TThreadLockHold&) = delete;
  TThreadLockHold& operator=(const TThreadLockHold&) = delete;
};

int32_t TheThreadCount = 0;
TList* TheSyncQueue = nullptr;  // never freed: a worker may still be leaving Synchronize at exit
std::atomic<bool> TheSyncPending{false};

// A waiting Synchronize call; lives in the stack frame of the worker that waits for it.
struct TSyncRequest {
  TThread* Thread;
  HANDLE Signal;
};

bool OnMainThread() { return GetCurrentThreadId() == TheMainThreadID; }

void ThreadAdded() {
  TThreadLockHold hold;
  if (TheThreadCount == 0 && TheSyncQueue == nullptr) TheSyncQueue = Create<TList>().release();
  ++TheThreadCount;
}

void ThreadRemoved() {
  TThreadLockHold hold;
  --TheThreadCount;
}

}  // namespace

void CreateThreadLock() { InitializeCriticalSection(&ThreadLockSection); }
void DeleteThreadLock() { DeleteCriticalSection(&ThreadLockSection); }

uint32_t MainThreadID() { return TheMainThreadID; }

int32_t ThreadCount() {
  TThreadLockHold hold;
  return TheThreadCount;
}

bool SyncPending() { return TheSyncPending; }

const TList* SyncQueue() {
  TThreadLockHold hold;
  return TheSyncQueue;
}

TThread::TThread(bool CreateSuspended)
    : FCreateSuspended(CreateSuspended), FSuspended(CreateSuspended) {}

void TThread::Construct() {
  TObject::Construct();
  ThreadAdded();
  fCounted = true;
  DWORD id = 0;
  FHandle.Reset(CreateThread(nullptr, 0, &TThread::ThreadEntry, this, CREATE_SUSPENDED, &id));
  if (!FHandle) {
    throw ExceptionLite(u"Unable to create thread: " + SystemErrorText(GetLastError()));
  }
  FThreadID = id;
}

void TThread::AfterConstruction() {
  TObject::AfterConstruction();
  if (!FCreateSuspended) Resume();
}

void TThread::Destroy() {
  if (FThreadID != 0 && !FFinished) {
    Terminate();
    if (FCreateSuspended || FSuspended) ResumeUntilRunning();
  }
  // A finished thread may still be in DoTerminate, using this object: wait for its end too,
  // unless this is the thread itself freeing its object (FreeOnTerminate).
  if (FThreadID != 0 && GetCurrentThreadId() != FThreadID) WaitFor();
  FHandle.Reset();
  FFatalException = nullptr;
  if (fCounted) ThreadRemoved();
  TObject::Destroy();
}

// A thread that never ran, or that Suspend stopped, must run to see the terminated flag and end.
void TThread::ResumeUntilRunning() {
  for (;;) {
    const DWORD previousCount = ResumeThread(FHandle.Get());
    CheckThreadError(previousCount != DWORD(-1));
    if (previousCount <= 1) break;
  }
  FSuspended = false;
}

DWORD WINAPI TThread::ThreadEntry(LPVOID Parameter) {
  auto* thread = static_cast<TThread*>(Parameter);
  if (!thread->FTerminated) {
    try {
      thread->Execute();
    } catch (...) {
      thread->FFatalException = std::current_exception();
    }
  }
  const bool freeOnTerminate = thread->FFreeOnTerminate;
  const int32_t returnValue = thread->FReturnValue;
  thread->FFinished = true;
  try {
    thread->DoTerminate();
    if (freeOnTerminate) TObject::Free(thread);
  } catch (...) {
    // Raised by OnTerminate (handed back from the main thread) or by the tear-down: nothing on
    // this thread can take it any more.
    UnhandledExceptionHandler(std::current_exception());
  }
  return DWORD(returnValue);
}

void TThread::DoTerminate() {
  if (FOnTerminate) Synchronize([this] { CallOnTerminate(); });
}

void TThread::CallOnTerminate() {
  if (FOnTerminate) FOnTerminate(this);
}

void TThread::Terminate() { FTerminated = true; }

void TThread::Synchronize(TThreadMethod Method) {
  if (OnMainThread()) {
    Method();
    return;
  }
  TKernelHandle signal(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!signal) RaiseLastSystemError();
  TSyncRequest request{this, signal.Get()};
  {
    TThreadLockHold hold;
    FSynchronizeException = nullptr;
    FMethod = std::move(Method);
    TheSyncQueue->Add(&request);
    TheSyncPending = true;
  }
  WaitForSingleObject(signal.Get(), INFINITE);
  // The main thread holds ThreadLock until it has worked through the whole queue.
  { TThreadLockHold hold; }
  if (FSynchronizeException) std::rethrow_exception(std::exchange(FSynchronizeException, nullptr));
}

bool CheckSynchronization() {
  if (!OnMainThread()) throw ExceptionLite(u"Error in check synchronization thread.");
  if (!TheSyncPending) return false;
  TThreadLockHold hold;
  const bool result = TheSyncQueue != nullptr && TheSyncQueue->Count() > 0;
  while (TheSyncQueue != nullptr && TheSyncQueue->Count() > 0) {
    auto* request = static_cast<TSyncRequest*>(TheSyncQueue->First());
    TheSyncQueue->Delete(0);
    try {
      request->Thread->FMethod();
    } catch (...) {
      request->Thread->FSynchronizeException = std::current_exception();
    }
    SetEvent(request->Signal);
  }
  if (result) TheSyncPending = false;
  return result;
}

uint32_t TThread::WaitFor() {
  WaitUntilEnded(INFINITE);
  HANDLE handle = FHandle.Get();
  DWORD exitCode = 0;
  CheckThreadError(GetExitCodeThread(handle, &exitCode) != FALSE);
  return exitCode;
}

bool TThread::EndsWithin(uint32_t milliseconds) { return FSuspended || WaitUntilEnded(milliseconds); }

bool TThread::WaitUntilEnded(DWORD timeout) {
  HANDLE handle = FHandle.Get();
  if (!OnMainThread()) return WaitForSingleObject(handle, timeout) == WAIT_OBJECT_0;
  // Polls rather than blocks, so that queued Synchronize calls run and messages that other
  // threads send to this thread's windows are delivered (a worker updating a window waits for
  // them). Posted messages stay queued.
  const ULONGLONG deadline = GetTickCount64() + timeout;
  DWORD result = 0;
  do {
    if (result == WAIT_OBJECT_0 + 1) {
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    }
    Sleep(0);
    CheckSynchronization();
    result = MsgWaitForMultipleObjects(1, &handle, FALSE, 0, QS_SENDMESSAGE);
    if (result == WAIT_FAILED) RaiseLastSystemError();
    if (result != WAIT_OBJECT_0 && timeout != INFINITE && GetTickCount64() >= deadline) return false;
  } while (result != WAIT_OBJECT_0);
  return true;
}

void TThread::Resume() {
  const auto previousCount = static_cast<int32_t>(ResumeThread(FHandle.Get()));
  CheckThreadError(previousCount >= 0);
  if (previousCount == 1) FSuspended = false;
}

void TThread::Suspend() {
  FSuspended = true;
  CheckThreadError(static_cast<int32_t>(SuspendThread(FHandle.Get())) >= 0);
}

void TThread::SetSuspended(bool Value) {
  if (Value == FSuspended) return;
  if (Value) {
    Suspend();
  } else {
    Resume();
  }
}

TThreadPriority TThread::GetPriority() const {
  const int priority = GetThreadPriority(FHandle.Get());
  CheckThreadError(priority != THREAD_PRIORITY_ERROR_RETURN);
  for (int i = tpIdle; i <= tpTimeCritical; ++i) {
    if (PriorityValues[i] == priority) return TThreadPriority(i);
  }
  return tpNormal;
}

void TThread::SetPriority(TThreadPriority Value) {
  CheckThreadError(SetThreadPriority(FHandle.Get(), PriorityValues[Value]) != FALSE);
}

void TThread::CheckThreadError(bool Success) const {
  if (Success) return;
  const DWORD code = GetLastError();
  if (code != 0) throw ExceptionLite(SystemErrorText(code));
}

}  // namespace skylaunch

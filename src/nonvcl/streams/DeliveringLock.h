#pragma once
// A lock taken on a thread that owns windows, from which another thread may be waiting, with the
// lock held, for one of those windows to handle a message it sent.
#include <windows.h>

#include "Locks.h"

namespace skylaunch {

// Waits for `lock` while still delivering the messages that other threads send to this thread's
// windows, so a holder of the lock that waits for one of them can finish. Posted messages stay
// queued.
template <class Lock>
TLocked<Lock> LockDelivering(Lock& lock) {
  while (!lock.TryLock()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  return TLocked<Lock>::Adopt(lock);
}

}  // namespace skylaunch

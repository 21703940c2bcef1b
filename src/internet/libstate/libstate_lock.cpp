#include "libstate_lock.h"

#include <windows.h>

#include "ExceptionLite.h"

namespace skylaunch {
namespace {

CRITICAL_SECTION gLibraryLock;
int gStarts = 0;

}  // namespace

void InitializeLibState() {
  if (gStarts++ == 0) InitializeCriticalSection(&gLibraryLock);
}

void FinalizeLibState() {
  if (gStarts == 0) return;
  if (--gStarts == 0) DeleteCriticalSection(&gLibraryLock);
}

TLibraryLockGuard::TLibraryLockGuard() {
  if (gStarts == 0) throw ExceptionLite(u"The library list is used before its module was started.");
  EnterCriticalSection(&gLibraryLock);
}

TLibraryLockGuard::~TLibraryLockGuard() { LeaveCriticalSection(&gLibraryLock); }

}  // namespace skylaunch

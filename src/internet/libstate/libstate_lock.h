#pragma once
// LibraryLock: one process-wide lock, re-entrant for the thread that holds it, around every load
// and free of a module by the libraries of every list, and around the handle and name updates
// that go with them.
//
// The module's start-up step creates it and its shutdown step deletes it; the program runs them
// explicitly in its start-up and shutdown order. Both are counted, so each start-up needs one
// shutdown. Run them on one thread while no other thread uses a library list.

namespace skylaunch {

void InitializeLibState();
void FinalizeLibState();

// Holds LibraryLock for its lifetime. Raises ExceptionLite when the module has not been started.
class TLibraryLockGuard {
 public:
  TLibraryLockGuard();
  ~TLibraryLockGuard();
  TLibraryLockGuard(const TLibraryLockGuard&) = delete;
  TLibraryLockGuard& operator=(const TLibraryLockGuard&) = delete;
};

}  // namespace skylaunch

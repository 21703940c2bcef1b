#pragma once
// One launcher chain at a time on a machine. A chain is the launcher that the user started, the
// copy of itself that it hands over to ("/WebInstall"), and that copy's configuration and
// installer passes. They write the machine's shared folder and Start menu, so two chains at once
// would spoil each other's files.
//
// The chain's process owns a named mutex of the global namespace. A start that finds it owned
// ends at once; a chain that ended without releasing it (killed, crashed) left it abandoned,
// which counts as free. Only administrators may use the chain's objects, and a lock that some
// other process made first is no launcher's: it is left alone, so that no ordinary program can
// keep the launcher from running.
//
// The hand-over to the copy opens no gap for another start: before the running launcher starts
// its copy it offers one ticket, and it ends only once the copy waits for the lock, so that the
// lock passes straight from the one to the other. The copy takes the ticket, then tells its
// starter and begins to wait in one step. Any other start meanwhile finds the lock owned. A user's
// own start with "/WebInstall" is like any other start, except in the moment of a hand-over, when
// it may take the ticket before the copy: it then carries the chain on, and the copy ends.
#include <windows.h>

#include <string>
#include <string_view>

#include "Handles.h"

namespace skylaunch {

// The names of the lock's objects begin with this; tests give names of their own.
inline constexpr char16_t kChainNamePrefix[] = u"Global\\Tarvosa.Skylaunch.";

class TChainLock {
 public:
  // Takes the lock for the calling thread, which keeps it until the object is released or the
  // thread ends. `handOverCopy`: a start with "/WebInstall", which takes a ticket on offer and
  // then waits for its starter to end. Every outcome goes to the run log.
  explicit TChainLock(bool handOverCopy, std::u16string_view prefix = kChainNamePrefix);
  ~TChainLock();
  TChainLock(const TChainLock&) = delete;
  TChainLock& operator=(const TChainLock&) = delete;

  // Another chain owns the lock: this start must end. False also when the lock could not be
  // made at all (that is logged, and the launcher runs without it rather than not at all).
  bool AnotherChainRuns() const { return fAnotherChainRuns; }

 private:
  DWORD WaitAsCopy(std::u16string_view prefix);

  TKernelHandle fMutex;
  bool fOwned = false;
  bool fAnotherChainRuns = false;
};

// The running launcher's side of a hand-over to its copy: the ticket is on offer while it exists.
class THandOver {
 public:
  explicit THandOver(std::u16string_view prefix = kChainNamePrefix);
  THandOver(const THandOver&) = delete;
  THandOver& operator=(const THandOver&) = delete;

  // Once the copy has been started: true as soon as it waits for the lock; false when it ended
  // first, when none was started (`copy` empty) or after `milliseconds`.
  bool AwaitCopy(HANDLE copy, DWORD milliseconds);

 private:
  TKernelHandle fCopyWaits;
  TKernelHandle fTicket;
};

// Brings the running chain's launcher window (of class `windowClass`) to the front, restored when
// it was minimised.
void BringChainForward(const std::u16string& windowClass);

}  // namespace skylaunch

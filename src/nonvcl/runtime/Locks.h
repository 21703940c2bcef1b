#pragma once
// The program's locks, on the platform's own: the C++ library's locks report their failures as
// std::system_error and bring the library's threading layer into the program, both several times
// the size of what the program uses of them.
//
//   TLock fLock;                          // one owner at a time, never taken again by its owner
//   TRecursiveLock fMembersLock;          // its owner may take it again, and leaves it as often
//   TLocked locked(fLock);                // held until the end of the scope, or locked.Unlock()
#include <windows.h>

#include <utility>

namespace skylaunch {

// An SRW lock: made without a call, so it may also live in a namespace-scope object.
class TLock {
 public:
  constexpr TLock() = default;
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;

  void Lock() { AcquireSRWLockExclusive(&fLock); }
  bool TryLock() { return TryAcquireSRWLockExclusive(&fLock) != FALSE; }
  void Unlock() { ReleaseSRWLockExclusive(&fLock); }

 private:
  SRWLOCK fLock = SRWLOCK_INIT;
};

// A critical section.
class TRecursiveLock {
 public:
  TRecursiveLock() { InitializeCriticalSection(&fSection); }
  ~TRecursiveLock() { DeleteCriticalSection(&fSection); }
  TRecursiveLock(const TRecursiveLock&) = delete;
  TRecursiveLock& operator=(const TRecursiveLock&) = delete;

  void Lock() { EnterCriticalSection(&fSection); }
  bool TryLock() { return TryEnterCriticalSection(&fSection) != FALSE; }
  void Unlock() { LeaveCriticalSection(&fSection); }

 private:
  CRITICAL_SECTION fSection;
};

// Holds a lock from its construction until Unlock or its end.
template <class Lock>
class TLocked {
 public:
  explicit TLocked(Lock& lock) : fLock(&lock) { lock.Lock(); }
  // Takes over a lock that the caller holds already.
  static TLocked Adopt(Lock& lock) { return TLocked(&lock); }
  TLocked(TLocked&& other) noexcept : fLock(std::exchange(other.fLock, nullptr)) {}
  TLocked(const TLocked&) = delete;
  TLocked& operator=(const TLocked&) = delete;
  TLocked& operator=(TLocked&&) = delete;
  ~TLocked() { Unlock(); }

  void Unlock() {
    if (fLock != nullptr) std::exchange(fLock, nullptr)->Unlock();
  }

 private:
  explicit TLocked(Lock* held) : fLock(held) {}

  Lock* fLock;
};

}  // namespace skylaunch

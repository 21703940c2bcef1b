#include "BackgroundSha256.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace skylaunch {
namespace {

class TExclusive {
 public:
  explicit TExclusive(SRWLOCK& lock) : fLock(lock) { AcquireSRWLockExclusive(&fLock); }
  TExclusive(const TExclusive&) = delete;
  TExclusive& operator=(const TExclusive&) = delete;
  ~TExclusive() { ReleaseSRWLockExclusive(&fLock); }

 private:
  SRWLOCK& fLock;
};

}  // namespace

TBackgroundSha256::TBackgroundSha256() : fThread(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {}

TBackgroundSha256::~TBackgroundSha256() {
  if (!fThread) return;
  {
    TExclusive lock(fLock);
    fStop = true;
  }
  WakeAllConditionVariable(&fChanged);
  WaitForSingleObject(fThread.Get(), INFINITE);
}

DWORD WINAPI TBackgroundSha256::Run(void* self) {
  static_cast<TBackgroundSha256*>(self)->HashBlocks();
  return 0;
}

void TBackgroundSha256::HashBlocks() {
  TExclusive lock(fLock);
  for (;;) {
    while (!fBusy && !fStop) SleepConditionVariableSRW(&fChanged, &fLock, INFINITE, 0);
    if (fStop) return;
    ReleaseSRWLockExclusive(&fLock);
    fHash.Update(fHanded.data(), fHandedSize);
    AcquireSRWLockExclusive(&fLock);
    fBusy = false;
    WakeAllConditionVariable(&fChanged);
  }
}

void TBackgroundSha256::WaitIdle() {
  while (fBusy) SleepConditionVariableSRW(&fChanged, &fLock, INFINITE, 0);
}

void TBackgroundSha256::HandOver() {
  if (!fThread) {
    fHash.Update(fFilling.data(), fFilled);
  } else {
    {
      TExclusive lock(fLock);
      WaitIdle();
      std::swap(fFilling, fHanded);
      fHandedSize = fFilled;
      fBusy = true;
    }
    WakeAllConditionVariable(&fChanged);
  }
  fFilled = 0;
}

void TBackgroundSha256::Update(const void* data, size_t size) {
  auto bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const size_t taken = std::min(size, kBlockSize - fFilled);
    std::memcpy(fFilling.data() + fFilled, bytes, taken);
    fFilled += taken;
    bytes += taken;
    size -= taken;
    if (fFilled == kBlockSize) HandOver();
  }
}

TSha256Digest TBackgroundSha256::Finish() {
  if (fFilled > 0) HandOver();
  TExclusive lock(fLock);
  WaitIdle();
  return fHash.Finish();
}

void TBackgroundSha256::Reset() {
  TExclusive lock(fLock);
  WaitIdle();
  fHash.Reset();
  fFilled = 0;
}

}  // namespace skylaunch

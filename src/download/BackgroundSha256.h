#pragma once
// The SHA-256 of a download, computed on a thread of its own so that the download does not wait
// for it: the pieces are gathered into a block, which the hashing thread takes while the next one
// fills. Where no thread can be started, the hash is computed on the caller's thread.
#include <windows.h>

#include <cstddef>
#include <vector>

#include "Handles.h"
#include "Sha256.h"

namespace skylaunch {

class TBackgroundSha256 {
 public:
  TBackgroundSha256();
  TBackgroundSha256(const TBackgroundSha256&) = delete;
  TBackgroundSha256& operator=(const TBackgroundSha256&) = delete;
  ~TBackgroundSha256();

  void Update(const void* data, size_t size);
  // The digest of everything given, once the hashing thread has taken all of it.
  TSha256Digest Finish();
  // Forgets everything given so far.
  void Reset();

 private:
  static DWORD WINAPI Run(void* self);
  void HashBlocks();
  // The filled block goes to the hashing thread.
  void HandOver();
  // Waits until the hashing thread holds no block; with fLock held.
  void WaitIdle();

  static constexpr size_t kBlockSize = 64 * 1024;
  std::vector<uint8_t> fFilling = std::vector<uint8_t>(kBlockSize);
  size_t fFilled = 0;
  // The block handed over, and its size; the hash is the hashing thread's while it holds one.
  std::vector<uint8_t> fHanded = std::vector<uint8_t>(kBlockSize);
  size_t fHandedSize = 0;
  bool fBusy = false;
  bool fStop = false;
  TSha256 fHash;
  SRWLOCK fLock = SRWLOCK_INIT;
  CONDITION_VARIABLE fChanged = CONDITION_VARIABLE_INIT;
  TKernelHandle fThread;
};

}  // namespace skylaunch

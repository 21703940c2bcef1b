#pragma once
// In-place, process-bound encryption of secret buffers whose size is a multiple of
// kProtectionBlockSize bytes.
//
// The platform's memory protection (CryptProtectMemory for the same process) serves where it
// really encrypts. Where it is missing, or returns success and leaves the buffer as it was (as
// Wine's does), a ChaCha20 keystream takes its place, under a key and nonce drawn once per
// process from the platform's random generator and kept in this module, never beside the secrets.
// The choice is made once, on first use, and holds for the whole process.
#include <windows.h>

#include <cstddef>

namespace skylaunch {

inline constexpr size_t kProtectionBlockSize = 16;

// Raise ExceptionLite on first use when neither way is available (no platform protection and no
// random key); afterwards they cannot fail.
void ProtectMemory(void* data, size_t size);
void UnprotectMemory(void* data, size_t size);

// The signature of CryptProtectMemory and CryptUnprotectMemory.
using TMemoryCryptFunction = BOOL(WINAPI*)(LPVOID data, DWORD size, DWORD flags);

// True when `protect` reports success and changes a block, and `unprotect` brings it back; false
// when either is missing. Decides between the platform and the keystream.
bool PlatformProtectionWorks(TMemoryCryptFunction protect, TMemoryCryptFunction unprotect);

}  // namespace skylaunch

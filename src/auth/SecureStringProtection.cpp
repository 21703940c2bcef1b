#include "SecureStringProtection.h"

#include <ntsecapi.h>

#include <cstring>

#include "ExceptionLite.h"
#include "Handles.h"
#include "SecureStringCipher.h"
#include "libstate_loader.h"

namespace skylaunch {
namespace {

constexpr DWORD kSameProcess = 0;  // CRYPTPROTECTMEMORY_SAME_PROCESS

class TMemoryProtection {
 public:
  TMemoryProtection() {
    // Loaded from the system folder only, like every system library of this elevated program.
    fCrypt32.Reset(LoadLibraryByRule(u"crypt32.dll"));
    if (fCrypt32) {
      fProtect = Resolve("CryptProtectMemory");
      fUnprotect = Resolve("CryptUnprotectMemory");
    }
    if (PlatformProtectionWorks(fProtect, fUnprotect)) return;
    fProtect = fUnprotect = nullptr;
    if (!RtlGenRandom(&fKey, sizeof(fKey))) {
      throw ExceptionLite(u"Unable to protect memory: the platform gives no random key.");
    }
  }
  ~TMemoryProtection() { WipeBytes(&fKey, sizeof(fKey), 0); }
  TMemoryProtection(const TMemoryProtection&) = delete;
  TMemoryProtection& operator=(const TMemoryProtection&) = delete;

  void Protect(void* data, size_t size) const { Apply(fProtect, data, size); }
  void Unprotect(void* data, size_t size) const { Apply(fUnprotect, data, size); }

 private:
  TMemoryCryptFunction Resolve(const char* name) const {
    return reinterpret_cast<TMemoryCryptFunction>(
        reinterpret_cast<void*>(GetProcAddress(fCrypt32.Get(), name)));
  }
  // The keystream is its own inverse, so both directions apply it the same way.
  void Apply(TMemoryCryptFunction platform, void* data, size_t size) const {
    if (size == 0) return;
    if (platform != nullptr) {
      platform(data, static_cast<DWORD>(size), kSameProcess);
    } else {
      ChaCha20Xor(fKey, 0, static_cast<uint8_t*>(data), size);
    }
  }

  TModule fCrypt32;
  TMemoryCryptFunction fProtect = nullptr;
  TMemoryCryptFunction fUnprotect = nullptr;
  TChaCha20Key fKey;
};

const TMemoryProtection& Protection() {
  static const TMemoryProtection protection;
  return protection;
}

}  // namespace

void ProtectMemory(void* data, size_t size) { Protection().Protect(data, size); }

void UnprotectMemory(void* data, size_t size) { Protection().Unprotect(data, size); }

bool PlatformProtectionWorks(TMemoryCryptFunction protect, TMemoryCryptFunction unprotect) {
  if (protect == nullptr || unprotect == nullptr) return false;
  static constexpr uint8_t kProbe[kProtectionBlockSize] = {0x53, 0x6b, 0x79, 0x6c, 0x61, 0x75, 0x6e, 0x63,
                                                           0x68, 0x20, 0x70, 0x72, 0x6f, 0x62, 0x65, 0x21};
  uint8_t block[kProtectionBlockSize];
  std::memcpy(block, kProbe, sizeof(block));
  if (!protect(block, sizeof(block), kSameProcess)) return false;
  if (std::memcmp(block, kProbe, sizeof(block)) == 0) return false;
  return unprotect(block, sizeof(block), kSameProcess) && std::memcmp(block, kProbe, sizeof(block)) == 0;
}

}  // namespace skylaunch

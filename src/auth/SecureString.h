#pragma once
// Module SecureString: a secret text held encrypted in this process's memory. Its buffer is
// encrypted at all times except inside Data, and is overwritten before it is released. The
// bearer-token client keeps its secrets this way.
//
//   std::u16string secret = ...;
//   TSecureStringRef held = MakeSecureString(secret);   // `secret` now holds only U+3030
//   std::u16string plain = held->Data();                 // the caller's copy, while needed
//
// Secure strings are shared by reference count; references may be copied and released on any
// thread. Two calls of Data on one secure string must not overlap: Data decrypts the shared
// buffer in place.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace skylaunch {

class ISecureString {
 public:
  // The reference count after the change; the last Release destroys the object.
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
  // The plain secret.
  virtual std::u16string Data() = 0;
  // Its length in UTF-16 characters.
  virtual int32_t Length() = 0;

 protected:
  ~ISecureString() = default;
};

// A counted reference to a secure string; null by default.
class TSecureStringRef {
 public:
  TSecureStringRef() = default;
  explicit TSecureStringRef(ISecureString* secret) : fSecret(secret) {
    if (fSecret != nullptr) fSecret->AddRef();
  }
  TSecureStringRef(const TSecureStringRef& other) : TSecureStringRef(other.fSecret) {}
  TSecureStringRef(TSecureStringRef&& other) noexcept : fSecret(other.fSecret) { other.fSecret = nullptr; }
  TSecureStringRef& operator=(TSecureStringRef other) noexcept {
    std::swap(fSecret, other.fSecret);
    return *this;
  }
  ~TSecureStringRef() { Reset(); }

  ISecureString* Get() const { return fSecret; }
  ISecureString* operator->() const { return fSecret; }
  explicit operator bool() const { return fSecret != nullptr; }
  void Reset() {
    if (fSecret != nullptr) std::exchange(fSecret, nullptr)->Release();
  }

 private:
  ISecureString* fSecret = nullptr;
};

// Pads `Value` with U+0000 to a whole number of 16-character blocks (0 stays 0), encrypts it in
// place, makes the secure string from a copy of the encrypted text, and overwrites every byte
// of `Value` with 0x30: afterwards it keeps its padded length and holds only U+3030. A buffer
// given up while lengthening `Value` is overwritten before it is released. `Value` is
// overwritten also when an error passes.
TSecureStringRef MakeSecureString(std::u16string& Value);

class TSecureString final : public ISecureString {
 public:
  // Stores a copy of `Value`, which is already padded and encrypted; encrypts nothing itself.
  TSecureString(const std::u16string& Value, int32_t Length);
  TSecureString(const TSecureString&) = delete;
  TSecureString& operator=(const TSecureString&) = delete;

  uint32_t AddRef() override;
  uint32_t Release() override;
  std::u16string Data() override;
  int32_t Length() override { return FLength; }

  // The buffer as stored: padded and encrypted.
  const std::u16string& ProtectedData() const { return FData; }

 private:
  // Overwrites the buffer with bytes 0x30 before releasing it.
  ~TSecureString();

  std::u16string FData;
  int32_t FLength{0};
  std::atomic<uint32_t> fRefCount{0};
};

// A seam for tests: when set, every secure string calls it as it is destroyed, with its buffer
// after the overwrite and just before the memory is released. Null in the program.
using TSecureStringWipeObserver = void (*)(const char16_t* buffer, size_t length);
void SetSecureStringWipeObserver(TSecureStringWipeObserver observer);

}  // namespace skylaunch

#include "SecureString.h"

#include <algorithm>

#include "SecureStringCipher.h"
#include "SecureStringProtection.h"

namespace skylaunch {
namespace {

constexpr uint8_t kWipeByte = 0x30;
constexpr size_t kBlockChars = kProtectionBlockSize;  // 32 bytes: two blocks of the platform

std::atomic<TSecureStringWipeObserver> gWipeObserver{nullptr};

size_t ByteSize(const std::u16string& text) { return text.size() * sizeof(char16_t); }

void Wipe(std::u16string& text) { WipeBytes(text.data(), ByteSize(text), kWipeByte); }

// Lengthens `text` to the next multiple of 16 characters. When that needs a larger buffer, the
// old one is overwritten before it is released: the secret must not stay behind in freed memory.
void PadToBlocks(std::u16string& text) {
  const size_t rest = text.size() % kBlockChars;
  if (rest == 0) return;
  const size_t padded = text.size() + kBlockChars - rest;
  if (text.capacity() >= padded) {
    text.resize(padded, u'\0');
    return;
  }
  std::u16string larger(padded, u'\0');
  std::copy(text.begin(), text.end(), larger.begin());
  Wipe(text);
  text.swap(larger);
}

// Overwrites the caller's variable when it goes out of scope, whatever happened before.
class TWipeOnExit {
 public:
  explicit TWipeOnExit(std::u16string& text) : fText(text) {}
  ~TWipeOnExit() { Wipe(fText); }
  TWipeOnExit(const TWipeOnExit&) = delete;
  TWipeOnExit& operator=(const TWipeOnExit&) = delete;

 private:
  std::u16string& fText;
};

}  // namespace

TSecureStringRef MakeSecureString(std::u16string& Value) {
  TWipeOnExit wipe(Value);
  const auto length = static_cast<int32_t>(Value.size());
  PadToBlocks(Value);
  ProtectMemory(Value.data(), ByteSize(Value));
  return TSecureStringRef(new TSecureString(Value, length));
}

TSecureString::TSecureString(const std::u16string& Value, int32_t Length) : FData(Value), FLength(Length) {}

TSecureString::~TSecureString() {
  if (FData.empty()) return;
  Wipe(FData);
  if (const TSecureStringWipeObserver observer = gWipeObserver.load()) observer(FData.data(), FData.size());
}

uint32_t TSecureString::AddRef() { return fRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t TSecureString::Release() {
  const uint32_t remaining = fRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (remaining == 0) delete this;
  return remaining;
}

std::u16string TSecureString::Data() {
  UnprotectMemory(FData.data(), ByteSize(FData));
  // Encrypted again on every way out, also when copying the text fails.
  struct TProtectAgain {
    std::u16string& buffer;
    ~TProtectAgain() { ProtectMemory(buffer.data(), ByteSize(buffer)); }
  } protectAgain{FData};
  return FData.substr(0, static_cast<size_t>(FLength));
}

void SetSecureStringWipeObserver(TSecureStringWipeObserver observer) { gWipeObserver.store(observer); }

}  // namespace skylaunch

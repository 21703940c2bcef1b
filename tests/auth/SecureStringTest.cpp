#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "SecureString.h"
#include "SecureStringProtection.h"

namespace skylaunch {
namespace {

const std::u16string& Stored(const TSecureStringRef& secret) {
  return dynamic_cast<TSecureString&>(*secret.Get()).ProtectedData();
}

bool OnlyFill(const std::u16string& text) {
  return text.find_first_not_of(u'\u3030') == std::u16string::npos;
}

// A secret of `length` characters that uses the whole 16-bit range, surrogates and U+0000
// included.
std::u16string SecretOfLength(size_t length) {
  std::u16string secret;
  for (size_t i = 0; i < length; ++i) secret.push_back(static_cast<char16_t>(0x9e37u * (i + 1)));
  return secret;
}

// What the wipe seam saw: one entry per destroyed secure string.
struct TWipes {
  static std::mutex lock;
  static std::vector<std::u16string> seen;
  static void Observe(const char16_t* buffer, size_t length) {
    std::lock_guard<std::mutex> guard(lock);
    seen.emplace_back(buffer, length);
  }
};
std::mutex TWipes::lock;
std::vector<std::u16string> TWipes::seen;

class SecureStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TWipes::seen.clear();
    SetSecureStringWipeObserver(&TWipes::Observe);
  }
  void TearDown() override { SetSecureStringWipeObserver(nullptr); }
};

TEST_F(SecureStringTest, PadsToWholeBlocksAndGivesBackExactlyTheSecret) {
  struct Case {
    size_t length;
    size_t stored;
  };
  const Case cases[] = {{0, 0},   {1, 16},  {15, 16}, {16, 16},    {17, 32},
                        {31, 32}, {32, 32}, {33, 48}, {1000, 1008}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const std::u16string secret = SecretOfLength(c.length);
    std::u16string variable = secret;
    const TSecureStringRef held = MakeSecureString(variable);

    ASSERT_TRUE(held);
    EXPECT_EQ(held->Length(), static_cast<int32_t>(c.length));
    EXPECT_EQ(Stored(held).size(), c.stored);
    EXPECT_EQ(held->Data(), secret);
    // The caller's variable keeps the padded length and holds only the fill.
    EXPECT_EQ(variable.size(), c.stored);
    EXPECT_TRUE(OnlyFill(variable));
  }
}

TEST_F(SecureStringTest, StoresTheSecretEncryptedBetweenCalls) {
  const std::u16string secret = u"client-id:client-secret-0123456789";  // 34 characters
  std::u16string variable = secret;
  const TSecureStringRef held = MakeSecureString(variable);

  const std::u16string before = Stored(held);
  ASSERT_EQ(before.size(), 48u);
  for (size_t i = 0; i + 4 <= secret.size(); ++i) {
    ASSERT_EQ(before.find(secret.substr(i, 4)), std::u16string::npos) << "plain text at " << i;
  }
  for (int call = 0; call < 100; ++call) ASSERT_EQ(held->Data(), secret) << "call " << call;
  // Data decrypts in place and encrypts again: the same protected bytes as before.
  EXPECT_EQ(Stored(held), before);
}

TEST_F(SecureStringTest, LastReleaseWipesTheBufferBeforeReleasingIt) {
  std::u16string variable = SecretOfLength(17);
  TSecureStringRef held = MakeSecureString(variable);
  ISecureString* raw = held.Get();

  EXPECT_EQ(raw->AddRef(), 2u);  // a reference of our own, released last
  TSecureStringRef copy = held;
  EXPECT_EQ(raw->AddRef(), 4u);
  EXPECT_EQ(raw->Release(), 3u);
  held.Reset();
  copy.Reset();
  ASSERT_EQ(TWipes::seen.size(), 0u) << "destroyed while a reference was left";
  EXPECT_EQ(raw->Release(), 0u);

  ASSERT_EQ(TWipes::seen.size(), 1u);
  EXPECT_EQ(TWipes::seen[0].size(), 32u);
  EXPECT_TRUE(OnlyFill(TWipes::seen[0]));
}

TEST_F(SecureStringTest, ReferencesMayBeCopiedAndReleasedOnAnyThread) {
  std::u16string variable = u"shared secret";
  TSecureStringRef held = MakeSecureString(variable);
  std::vector<std::thread> threads;
  std::atomic<int> waiting{4};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([held, &waiting] {
      // All threads start together, so that their changes of the count really overlap.
      waiting.fetch_sub(1);
      while (waiting.load() > 0) std::this_thread::yield();
      for (int i = 0; i < 2000000; ++i) {
        TSecureStringRef copy = held;
        TSecureStringRef moved = std::move(copy);
      }
    });
  }
  for (auto& thread : threads) thread.join();

  ISecureString* raw = held.Get();
  EXPECT_EQ(raw->AddRef(), 2u);
  EXPECT_EQ(raw->Release(), 1u);
  EXPECT_EQ(held->Data(), u"shared secret");
  held.Reset();
  EXPECT_EQ(TWipes::seen.size(), 1u);
}

// Fake protection functions that stand for what a platform may offer.
BOOL WINAPI LeavesBufferAsItWas(LPVOID, DWORD, DWORD) { return TRUE; }
BOOL WINAPI Refuses(LPVOID, DWORD, DWORD) { return FALSE; }
BOOL WINAPI FlipsBits(LPVOID data, DWORD size, DWORD) {
  auto* bytes = static_cast<uint8_t*>(data);
  for (DWORD i = 0; i < size; ++i) bytes[i] ^= 0xa5;
  return TRUE;
}
BOOL WINAPI Scrambles(LPVOID data, DWORD size, DWORD) {
  std::memset(data, 0x11, size);
  return TRUE;
}

TEST(PlatformProtection, TrustedOnlyWhenItChangesTheBufferAndRestoresIt) {
  struct Case {
    const char* name;
    TMemoryCryptFunction protect;
    TMemoryCryptFunction unprotect;
    bool trusted;
  };
  const Case cases[] = {
      {"missing", nullptr, nullptr, false},
      {"unprotect missing", FlipsBits, nullptr, false},
      {"success without change", LeavesBufferAsItWas, LeavesBufferAsItWas, false},
      {"refused", Refuses, Refuses, false},
      {"unprotect refused", FlipsBits, Refuses, false},
      {"not restored", FlipsBits, Scrambles, false},
      {"encrypts and restores", FlipsBits, FlipsBits, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlatformProtectionWorks(c.protect, c.unprotect), c.trusted) << c.name;
  }
}

}  // namespace
}  // namespace skylaunch

#pragma once
// SHA-256 of a download, fed piece by piece as the body is written, so that the file is never read
// a second time. Platform-free.
//
// The processor's SHA extensions do the work where it has them (checked once, at run time): a
// download on a fast connection must not wait for its own check. Elsewhere a portable version
// computes the same digest.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace skylaunch {

using TSha256Digest = std::array<uint8_t, 32>;

class TSha256 {
 public:
  // `accelerated` false keeps to the portable version (the tests compare the two).
  explicit TSha256(bool accelerated = true);

  void Update(const void* data, size_t size);
  // The digest of everything given; the object then starts over.
  TSha256Digest Finish();
  // Forgets everything given so far.
  void Reset();

  // Whether this processor has the extensions that the accelerated version uses.
  static bool AcceleratedAvailable();

 private:
  void Blocks(const uint8_t* data, size_t count);

  bool fAccelerated;
  std::array<uint32_t, 8> fState{};
  std::array<uint8_t, 64> fPending{};
  size_t fPendingSize = 0;
  uint64_t fTotal = 0;
};

// Whether `text` is a SHA-256 as a catalog writes it: exactly 64 hexadecimal digits.
bool IsSha256Text(std::u16string_view text);
// Whether `digest` is the one that `text` (64 hexadecimal digits, either letter case) names.
bool Sha256Matches(const TSha256Digest& digest, std::u16string_view text);
// The digest as 64 lower-case hexadecimal digits.
std::u16string Sha256Text(const TSha256Digest& digest);

}  // namespace skylaunch

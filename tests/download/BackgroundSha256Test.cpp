// The hash computed on a thread of its own is the hash of the bytes given, in any pieces, after a
// Reset and again after a Finish.
#include "BackgroundSha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace skylaunch {
namespace {

TEST(BackgroundSha256Test, SameDigestAsOnTheCallersThreadInAnyPieces) {
  std::vector<uint8_t> bytes(300001);
  std::mt19937 random(11);
  for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
  TSha256 reference;
  reference.Update(bytes.data(), bytes.size());
  const TSha256Digest expected = reference.Finish();

  TBackgroundSha256 hash;
  hash.Update(bytes.data(), 70000);  // forgotten by the Reset
  hash.Reset();
  for (size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 7 % 90001 + 1) {
    hash.Update(bytes.data() + at, std::min(piece, bytes.size() - at));
  }
  EXPECT_EQ(expected, hash.Finish());
  hash.Update(bytes.data(), bytes.size());
  EXPECT_EQ(expected, hash.Finish());
}

}  // namespace
}  // namespace skylaunch

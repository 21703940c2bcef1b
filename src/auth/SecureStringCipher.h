#pragma once
// The building blocks of secret buffers in memory: a ChaCha20 keystream (RFC 8439) applied in
// place, and a wipe that the compiler cannot drop. Platform-free.
#include <array>
#include <cstddef>
#include <cstdint>

namespace skylaunch {

struct TChaCha20Key {
  std::array<uint8_t, 32> Key{};
  std::array<uint8_t, 12> Nonce{};
};

// XORs `size` bytes at `data` with the keystream of `key` that starts at block `counter`.
// Applying it twice with the same key and counter restores the bytes.
void ChaCha20Xor(const TChaCha20Key& key, uint32_t counter, uint8_t* data, size_t size);

// Sets every byte to `value`, also right before the memory is released.
void WipeBytes(void* data, size_t size, uint8_t value);

}  // namespace skylaunch

#include "SecureStringCipher.h"

namespace skylaunch {
namespace {

constexpr size_t kBlockBytes = 64;

uint32_t RotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

void QuarterRound(uint32_t* x, int a, int b, int c, int d) {
  x[a] += x[b];
  x[d] = RotateLeft(x[d] ^ x[a], 16);
  x[c] += x[d];
  x[b] = RotateLeft(x[b] ^ x[c], 12);
  x[a] += x[b];
  x[d] = RotateLeft(x[d] ^ x[a], 8);
  x[c] += x[d];
  x[b] = RotateLeft(x[b] ^ x[c], 7);
}

uint32_t LoadLittleEndian(const uint8_t* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

void KeystreamBlock(const TChaCha20Key& key, uint32_t counter, uint8_t (&out)[kBlockBytes]) {
  uint32_t state[16] = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
  for (int i = 0; i < 8; ++i) state[4 + i] = LoadLittleEndian(&key.Key[4 * i]);
  state[12] = counter;
  for (int i = 0; i < 3; ++i) state[13 + i] = LoadLittleEndian(&key.Nonce[4 * i]);

  uint32_t working[16];
  for (int i = 0; i < 16; ++i) working[i] = state[i];
  for (int round = 0; round < 10; ++round) {
    QuarterRound(working, 0, 4, 8, 12);
    QuarterRound(working, 1, 5, 9, 13);
    QuarterRound(working, 2, 6, 10, 14);
    QuarterRound(working, 3, 7, 11, 15);
    QuarterRound(working, 0, 5, 10, 15);
    QuarterRound(working, 1, 6, 11, 12);
    QuarterRound(working, 2, 7, 8, 13);
    QuarterRound(working, 3, 4, 9, 14);
  }
  for (int i = 0; i < 16; ++i) {
    const uint32_t word = working[i] + state[i];
    for (int b = 0; b < 4; ++b) out[4 * i + b] = static_cast<uint8_t>(word >> (8 * b));
  }
  WipeBytes(working, sizeof(working), 0);
  WipeBytes(state, sizeof(state), 0);
}

}  // namespace

void ChaCha20Xor(const TChaCha20Key& key, uint32_t counter, uint8_t* data, size_t size) {
  uint8_t keystream[kBlockBytes];
  for (size_t offset = 0; offset < size; offset += kBlockBytes, ++counter) {
    KeystreamBlock(key, counter, keystream);
    const size_t chunk = size - offset < kBlockBytes ? size - offset : kBlockBytes;
    for (size_t i = 0; i < chunk; ++i) data[offset + i] ^= keystream[i];
  }
  WipeBytes(keystream, sizeof(keystream), 0);
}

void WipeBytes(void* data, size_t size, uint8_t value) {
  volatile uint8_t* bytes = static_cast<volatile uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) bytes[i] = value;
}

}  // namespace skylaunch

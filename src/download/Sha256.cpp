#include "Sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define SKYLAUNCH_SHA_EXTENSIONS 1
#endif

namespace skylaunch {
namespace {

constexpr std::array<uint32_t, 8> kInitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

alignas(16) constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

uint32_t LoadBigEndian(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void CompressPortable(uint32_t* state, const uint8_t* data, size_t blocks) {
  for (; blocks > 0; --blocks, data += 64) {
    uint32_t w[64];
    for (int t = 0; t < 16; ++t) w[t] = LoadBigEndian(data + 4 * t);
    for (int t = 16; t < 64; ++t) {
      const uint32_t s0 = Rotr(w[t - 15], 7) ^ Rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
      const uint32_t s1 = Rotr(w[t - 2], 17) ^ Rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
      w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int t = 0; t < 64; ++t) {
      const uint32_t t1 =
          h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[t] + w[t];
      const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

#ifdef SKYLAUNCH_SHA_EXTENSIONS

bool ProcessorHasShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool vectorOps = (c & bit_SSSE3) && (c & bit_SSE4_1);
  if (!vectorOps || __get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & bit_SHA) != 0;
}

// Four rounds per step on the SHA extensions; the state is kept as the instructions want it (the
// words A, B, E, F in one register and C, D, G, H in the other). The compiler keeps vectors on the
// stack with aligned moves, but a 32-bit Windows thread's stack is only 4-byte aligned when it gets
// here, so the function aligns its own frame.
__attribute__((target("sha,sse4.1,ssse3"), force_align_arg_pointer)) void CompressAccelerated(
    uint32_t* state, const uint8_t* data, size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0])), 0xB1);
  __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4])), 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abefBefore = abef;
    const __m128i cdghBefore = cdgh;
    __m128i w[4];  // the last four groups of four message words, group g in w[g % 4]
#pragma GCC unroll 16
    for (int g = 0; g < 16; ++g) {
      __m128i& group = w[g & 3];
      if (g < 4) {
        group = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), byteSwap);
      } else {
        // From the groups g-4, g-3 (held in this slot and the next), g-2 and g-1.
        __m128i next = _mm_sha256msg1_epu32(group, w[(g + 1) & 3]);
        next = _mm_add_epi32(next, _mm_alignr_epi8(w[(g + 3) & 3], w[(g + 2) & 3], 4));
        group = _mm_sha256msg2_epu32(next, w[(g + 3) & 3]);
      }
      __m128i message =
          _mm_add_epi32(group, _mm_load_si128(reinterpret_cast<const __m128i*>(&kRound[4 * g])));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      message = _mm_shuffle_epi32(message, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(dchg, feba, 8));
}

#endif

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

TSha256::TSha256(bool accelerated) : fAccelerated(accelerated && AcceleratedAvailable()) { Reset(); }

bool TSha256::AcceleratedAvailable() {
#ifdef SKYLAUNCH_SHA_EXTENSIONS
  static const bool available = ProcessorHasShaExtensions();
  return available;
#else
  return false;
#endif
}

void TSha256::Reset() {
  fState = kInitialState;
  fPendingSize = 0;
  fTotal = 0;
}

void TSha256::Blocks(const uint8_t* data, size_t count) {
#ifdef SKYLAUNCH_SHA_EXTENSIONS
  if (fAccelerated) return CompressAccelerated(fState.data(), data, count);
#endif
  CompressPortable(fState.data(), data, count);
}

void TSha256::Update(const void* data, size_t size) {
  auto bytes = static_cast<const uint8_t*>(data);
  fTotal += size;
  if (fPendingSize > 0) {
    const size_t taken = std::min(size, fPending.size() - fPendingSize);
    std::memcpy(fPending.data() + fPendingSize, bytes, taken);
    fPendingSize += taken;
    bytes += taken;
    size -= taken;
    if (fPendingSize < fPending.size()) return;
    Blocks(fPending.data(), 1);
    fPendingSize = 0;
  }
  Blocks(bytes, size / 64);
  bytes += size / 64 * 64;
  fPendingSize = size % 64;
  if (fPendingSize > 0) std::memcpy(fPending.data(), bytes, fPendingSize);
}

TSha256Digest TSha256::Finish() {
  const uint64_t bits = fTotal * 8;
  // One 0x80, zeros up to 8 bytes short of a block boundary, then the length in bits.
  uint8_t padding[72] = {0x80};
  const size_t zeros = (fPendingSize < 56 ? 56 : 120) - fPendingSize;
  for (int i = 0; i < 8; ++i) padding[zeros + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  Update(padding, zeros + 8);
  TSha256Digest digest;
  for (size_t i = 0; i < fState.size(); ++i) {
    for (int k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<uint8_t>(fState[i] >> (24 - 8 * k));
  }
  Reset();
  return digest;
}

bool IsSha256Text(std::u16string_view text) {
  if (text.size() != 64) return false;
  for (const char16_t c : text) {
    if (HexDigit(c) < 0) return false;
  }
  return true;
}

bool Sha256Matches(const TSha256Digest& digest, std::u16string_view text) {
  if (!IsSha256Text(text)) return false;
  for (size_t i = 0; i < digest.size(); ++i) {
    if (HexDigit(text[2 * i]) * 16 + HexDigit(text[2 * i + 1]) != digest[i]) return false;
  }
  return true;
}

std::u16string Sha256Text(const TSha256Digest& digest) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string text;
  for (const uint8_t byte : digest) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 15]);
  }
  return text;
}

}  // namespace skylaunch

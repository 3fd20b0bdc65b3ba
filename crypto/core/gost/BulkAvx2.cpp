// AVX2 kernels: groups of 32 blocks, the substitutions by byte shuffles (vpshufb):
// constant time. Compiled with -mavx2 only.
//
// The state of 32 blocks is four registers of N1 words and four of N2 words, one
// block per 32-bit lane. A byte shuffle looks up sixteen entries of one 16-entry
// table per 128-bit lane, but the four bytes of a word need four different pairs of
// rows; so for the substitution the four registers are transposed so that register
// j holds byte j of every word (a byte shuffle in each lane, then two rounds of
// unpacks across the registers). Then each register needs only its two rows, every
// shuffle does useful work on all 32 bytes, and eight shuffles substitute 32 words.
// The addition of the key and the rotation need whole words, so the result is
// transposed back before them.
#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "Bulk.h"

namespace gostcrypto::detail {
namespace {

// Everything here is compiled for AVX2. An inline function from a shared header
// used here could be emitted here as well, and the linker may keep this copy for
// every caller, on any CPU; so the three small helpers this file needs are its own.
void SecureWipe(void* data, std::size_t size) {
  std::memset(data, 0, size);
  __asm__ __volatile__("" : : "r"(data) : "memory");  // the stores stay
}

void Store32(unsigned char* p, std::uint32_t v) { std::memcpy(p, &v, 4); }  // x86: little-endian

// The counter of the gamma mode, as StepCounter (Gost28147.h).
void StepCounter(std::uint32_t& n3, std::uint32_t& n4) {
  n3 += 0x01010101u;
  const std::uint64_t sum = static_cast<std::uint64_t>(n4) + 0x01010104u;
  n4 = static_cast<std::uint32_t>(sum) + static_cast<std::uint32_t>(sum >> 32);
}

constexpr int kWords = 4;                        // registers per half block of a group
constexpr std::size_t kGroupBlocks = 8 * kWords;  // blocks per group: 32
// Groups in flight in the main loop: one group's round is a chain of dependent
// shuffles; three groups keep the shuffle units busy (measured: 1.6 times one group,
// 1.15 times two; four gain nothing).
constexpr int kGroups = 3;
constexpr std::size_t kBlocks = kGroupBlocks * kGroups;  // blocks per main-loop pass
constexpr std::size_t kBytes = 8 * kBlocks;

struct Tables {
  __m256i low[4];   // row 2j in both lanes
  __m256i high[4];  // row 2j + 1 in both lanes, entries shifted left by 4
  __m256i nibble;
  __m256i transpose;  // within a lane: byte 4b + w <- byte 4w + b (its own inverse)
};

Tables MakeTables(const SBox& s) {
  Tables t;
  for (int j = 0; j < 4; ++j) {
    const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(s.permLow + 16 * j));
    const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(s.permHigh + 16 * j));
    t.low[j] = _mm256_broadcastsi128_si256(low);
    t.high[j] = _mm256_broadcastsi128_si256(high);
  }
  t.nibble = _mm256_set1_epi8(0x0F);
  t.transpose = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,  //
                                 0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  return t;
}

// f(x) for the four registers: substitution, rotation left by 11, XORed into y.
inline void XorRound(const Tables& t, __m256i y[kWords], const __m256i x[kWords]) {
  // Words -> byte positions. After the in-lane shuffle dword b of a lane holds
  // byte b of its four words; the unpacks gather dword b of every register.
  __m256i a[kWords];
  for (int r = 0; r < kWords; ++r) a[r] = _mm256_shuffle_epi8(x[r], t.transpose);
  const __m256i a0 = _mm256_unpacklo_epi32(a[0], a[1]), a1 = _mm256_unpackhi_epi32(a[0], a[1]);
  const __m256i a2 = _mm256_unpacklo_epi32(a[2], a[3]), a3 = _mm256_unpackhi_epi32(a[2], a[3]);
  __m256i s[kWords] = {_mm256_unpacklo_epi64(a0, a2), _mm256_unpackhi_epi64(a0, a2),
                       _mm256_unpacklo_epi64(a1, a3), _mm256_unpackhi_epi64(a1, a3)};
  // Byte j: the low nibble through row 2j, the high nibble through row 2j + 1.
  for (int j = 0; j < kWords; ++j) {
    const __m256i lo = _mm256_and_si256(s[j], t.nibble);
    const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(s[j], 4), t.nibble);
    s[j] = _mm256_or_si256(_mm256_shuffle_epi8(t.low[j], lo), _mm256_shuffle_epi8(t.high[j], hi));
  }
  // And back: undo the unpacks, then the in-lane shuffle.
  const __m256 b0 = _mm256_castsi256_ps(_mm256_unpacklo_epi64(s[0], s[1]));
  const __m256 b2 = _mm256_castsi256_ps(_mm256_unpackhi_epi64(s[0], s[1]));
  const __m256 b1 = _mm256_castsi256_ps(_mm256_unpacklo_epi64(s[2], s[3]));
  const __m256 b3 = _mm256_castsi256_ps(_mm256_unpackhi_epi64(s[2], s[3]));
  const __m256i w[kWords] = {_mm256_castps_si256(_mm256_shuffle_ps(b0, b1, _MM_SHUFFLE(2, 0, 2, 0))),
                             _mm256_castps_si256(_mm256_shuffle_ps(b0, b1, _MM_SHUFFLE(3, 1, 3, 1))),
                             _mm256_castps_si256(_mm256_shuffle_ps(b2, b3, _MM_SHUFFLE(2, 0, 2, 0))),
                             _mm256_castps_si256(_mm256_shuffle_ps(b2, b3, _MM_SHUFFLE(3, 1, 3, 1)))};
  for (int r = 0; r < kWords; ++r) {
    const __m256i v = _mm256_shuffle_epi8(w[r], t.transpose);
    y[r] = _mm256_xor_si256(y[r], _mm256_xor_si256(_mm256_slli_epi32(v, 11), _mm256_srli_epi32(v, 21)));
  }
}

template <int G>
inline void HalfRound(const Tables& t, __m256i y[G][kWords], __m256i x[G][kWords], __m256i k) {
  for (int g = 0; g < G; ++g) {
    __m256i sum[kWords];
    for (int r = 0; r < kWords; ++r) sum[r] = _mm256_add_epi32(x[g][r], k);
    XorRound(t, y[g], sum);
  }
}

template <int G, bool Decrypt>
inline void Rounds(const Tables& t, const __m256i k[8], __m256i n1[G][kWords], __m256i n2[G][kWords]) {
  auto pair = [&](int a, int b) {
    HalfRound<G>(t, n2, n1, k[a]);
    HalfRound<G>(t, n1, n2, k[b]);
  };
  if constexpr (!Decrypt) {
    for (int rep = 0; rep < 3; ++rep)
      for (int j = 0; j < 8; j += 2) pair(j, j + 1);
    for (int j = 7; j > 0; j -= 2) pair(j, j - 1);
  } else {
    for (int j = 0; j < 8; j += 2) pair(j, j + 1);
    for (int rep = 0; rep < 3; ++rep)
      for (int j = 7; j > 0; j -= 2) pair(j, j - 1);
  }
  for (int g = 0; g < G; ++g)
    for (int r = 0; r < kWords; ++r) std::swap(n1[g][r], n2[g][r]);  // the last round does not swap
}

// 8 blocks in memory order <-> their N1 and N2 words (lanes in the order blocks
// 0, 1, 4, 5 | 2, 3, 6, 7: any order serves, Join undoes it).
inline void Split(const unsigned char* p, __m256i& n1, __m256i& n2) {
  const __m256 a = _mm256_loadu_ps(reinterpret_cast<const float*>(p));
  const __m256 b = _mm256_loadu_ps(reinterpret_cast<const float*>(p + 32));
  n1 = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
  n2 = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}

// Encrypts (or decrypts) G groups of 32 blocks from src, XORs them with xorWith
// (when not null) and stores them to dst. src, xorWith and dst may alias.
template <int G, bool Decrypt>
inline void Process(const Tables& t, const __m256i k[8], const unsigned char* src, const unsigned char* xorWith,
                    unsigned char* dst) {
  __m256i n1[G][kWords], n2[G][kWords];
  for (int r = 0; r < G * kWords; ++r) Split(src + 64 * r, n1[r / kWords][r % kWords], n2[r / kWords][r % kWords]);
  Rounds<G, Decrypt>(t, k, n1, n2);
  for (int r = 0; r < G * kWords; ++r) {
    const __m256i x1 = n1[r / kWords][r % kWords], x2 = n2[r / kWords][r % kWords];
    __m256i a = _mm256_unpacklo_epi32(x1, x2), b = _mm256_unpackhi_epi32(x1, x2);
    if (xorWith != nullptr) {
      a = _mm256_xor_si256(a, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(xorWith + 64 * r)));
      b = _mm256_xor_si256(b, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(xorWith + 64 * r + 32)));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 64 * r), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 64 * r + 32), b);
  }
}

void BroadcastKey(const std::uint32_t key[8], __m256i k[8]) {
  for (int j = 0; j < 8; ++j) k[j] = _mm256_set1_epi32(static_cast<int>(key[j]));
}

template <bool Decrypt>
void Ecb(const SBox& s, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
         std::size_t blocks) {
  const Tables t = MakeTables(s);
  __m256i k[8];
  BroadcastKey(key, k);
  std::size_t i = 0;
  for (; i + kBlocks <= blocks; i += kBlocks) Process<kGroups, Decrypt>(t, k, in + 8 * i, nullptr, out + 8 * i);
  for (; i + kGroupBlocks <= blocks; i += kGroupBlocks) Process<1, Decrypt>(t, k, in + 8 * i, nullptr, out + 8 * i);
  if (i < blocks) {
    alignas(32) unsigned char tail[8 * kGroupBlocks] = {};
    std::memcpy(tail, in + 8 * i, 8 * (blocks - i));
    Process<1, Decrypt>(t, k, tail, nullptr, tail);
    std::memcpy(out + 8 * i, tail, 8 * (blocks - i));
    SecureWipe(tail, sizeof tail);
  }
  SecureWipe(k, sizeof k);
}

// The gamma modes: out_i = in_i XOR E(g_i). fill(inputs, i, n) writes the gamma
// inputs of the n blocks from block i; it runs before any of them is written, so
// CFB decryption in place copies its ciphertext first.
template <typename Fill>
void XorGamma(const SBox& s, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
              std::size_t blocks, Fill&& fill) {
  const Tables t = MakeTables(s);
  __m256i k[8];
  BroadcastKey(key, k);
  alignas(32) unsigned char inputs[kBytes] = {};
  alignas(32) unsigned char tail[kBytes] = {};
  for (std::size_t i = 0; i < blocks;) {
    const std::size_t n = blocks - i >= kBlocks ? kBlocks : blocks - i;
    fill(inputs, i, n);
    if (n == kBlocks) {
      Process<kGroups, false>(t, k, inputs, in + 8 * i, out + 8 * i);
    } else {
      // The last pass runs single groups over a padded copy.
      std::memset(tail, 0, sizeof tail);
      std::memcpy(tail, in + 8 * i, 8 * n);
      for (std::size_t g = 0; g * kGroupBlocks < n; ++g)
        Process<1, false>(t, k, inputs + 8 * kGroupBlocks * g, tail + 8 * kGroupBlocks * g,
                          tail + 8 * kGroupBlocks * g);
      std::memcpy(out + 8 * i, tail, 8 * n);
    }
    i += n;
  }
  SecureWipe(inputs, sizeof inputs);
  SecureWipe(tail, sizeof tail);
  SecureWipe(k, sizeof k);
}

void Ctr(const SBox& s, const std::uint32_t key[8], std::uint32_t& n3, std::uint32_t& n4, const unsigned char* in,
         unsigned char* out, std::size_t blocks) {
  XorGamma(s, key, in, out, blocks, [&](unsigned char* inputs, std::size_t, std::size_t n) {
    for (std::size_t b = 0; b < n; ++b) {
      StepCounter(n3, n4);
      Store32(inputs + 8 * b, n3);
      Store32(inputs + 8 * b + 4, n4);
    }
  });
}

void CfbDecrypt(const SBox& s, const std::uint32_t key[8], unsigned char feedback[8], const unsigned char* in,
                unsigned char* out, std::size_t blocks) {
  XorGamma(s, key, in, out, blocks, [&](unsigned char* inputs, std::size_t i, std::size_t n) {
    std::memcpy(inputs, feedback, 8);
    std::memcpy(inputs + 8, in + 8 * i, 8 * (n - 1));  // n >= 1
    std::memcpy(feedback, in + 8 * (i + n - 1), 8);
  });
}

}  // namespace

const BulkOps& Avx2Ops() {
  // CFB encryption chains one block after another: nothing to shuffle in parallel,
  // so it keeps the combined tables as on the other paths (docs/side-channels.md).
  static const BulkOps ops{&Ecb<false>, &Ecb<true>, &Ctr, &CfbDecrypt, PortableTableOps().cfbEncrypt, "avx2"};
  return ops;
}

}  // namespace gostcrypto::detail

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
#include "BulkModes.h"

namespace gostcrypto::detail {
namespace {

constexpr int kWords = 4;                        // registers per half block of a group
constexpr std::size_t kGroupBlocks = 8 * kWords;  // blocks per group: 32
// Groups in flight in the main loop: one group's round is a chain of dependent
// shuffles; three groups keep the shuffle units busy (measured: 1.6 times one group,
// 1.15 times two; four gain nothing).
constexpr int kGroups = 3;

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
  ForEachRoundPair<Decrypt>([&](int a, int b) {
    HalfRound<G>(t, n2, n1, k[a]);
    HalfRound<G>(t, n1, n2, k[b]);
  });
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

struct Avx2Kernel {
  using Tables = detail::Tables;
  using Key = __m256i;
  static constexpr std::size_t kGroupBlocks = detail::kGroupBlocks;
  static constexpr int kGroups = detail::kGroups;

  static Tables MakeTables(const SBox& s) { return detail::MakeTables(s); }

  static void BroadcastKey(const std::uint32_t key[8], Key k[8]) {
    for (int j = 0; j < 8; ++j) k[j] = _mm256_set1_epi32(static_cast<int>(key[j]));
  }

  // Encrypts (or decrypts) G groups of 32 blocks from src, XORs them with xorWith
  // (when not null) and stores them to dst. src, xorWith and dst may alias.
  template <int G, bool Decrypt>
  static void Process(const Tables& t, const __m256i k[8], const unsigned char* src, const unsigned char* xorWith,
                      unsigned char* dst) {
    __m256i n1[G][kWords], n2[G][kWords];
    for (int r = 0; r < G * kWords; ++r)
      Split(src + 64 * r, n1[r / kWords][r % kWords], n2[r / kWords][r % kWords]);
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
};

using Modes = BulkModes<Avx2Kernel>;

}  // namespace

const BulkOps& Avx2Ops() {
  // CFB encryption chains one block after another: nothing to shuffle in parallel,
  // so it keeps the combined tables as on the other paths (docs/side-channels.md).
  static const BulkOps ops{&Modes::Ecb<false>, &Modes::Ecb<true>, &Modes::Ctr, &Modes::CfbDecrypt,
                           PortableTableOps().cfbEncrypt, "avx2"};
  return ops;
}

}  // namespace gostcrypto::detail
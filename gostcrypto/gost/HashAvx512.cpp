// The GOST 34.311-95 step on AVX-512: key derivation by byte and lane permutes, the
// four encryptions as four lanes of one register (Avx512Round.h, constant time), and
// the linear map psi^61(H) ^ psi^62(M) ^ psi^74(S) as word broadcasts under column
// masks. The key derivation and the linear map are also offered alone, for the
// step whose rounds run on scalar tables (Gost34311.cpp).
// Compiled with -mavx512f -mavx512bw -mavx512vl -mavx512vbmi.
#include "Avx512Round.h"
#include "Gost34311Step.h"

namespace gostcrypto::detail {
namespace {

// Column masks of the linear map: lane j of column i is all ones when input word i
// enters output word j. H and M share one 512-bit column (H low half, M high half).
struct Columns {
  alignas(64) std::uint16_t hm[16][32];
  alignas(32) std::uint16_t s[16][16];
};

constexpr Columns MakeColumns() {
  Columns c{};
  for (int i = 0; i < 16; ++i)
    for (int j = 0; j < 16; ++j) {
      c.hm[i][j] = (kPsi61.rows[j] >> i & 1) ? 0xFFFF : 0;
      c.hm[i][16 + j] = (kPsi62.rows[j] >> i & 1) ? 0xFFFF : 0;
      c.s[i][j] = (kPsi74.rows[j] >> i & 1) ? 0xFFFF : 0;
    }
  return c;
}

constexpr Columns kColumns = MakeColumns();

// A(y) = (y2, y3, y4, y1 ^ y2) on 64-bit quarters.
inline __m256i A(__m256i y) {
  const __m256i rotated = _mm256_permute4x64_epi64(y, _MM_SHUFFLE(0, 3, 2, 1));
  const __m256i second = _mm256_permute4x64_epi64(y, _MM_SHUFFLE(1, 0, 0, 0));
  return _mm256_mask_xor_epi64(rotated, 0x8, rotated, second);
}

// P(y): output byte i + 4k = input byte 8i + k.
inline __m256i P(__m256i y) {
  const __m256i index = _mm256_setr_epi8(0, 8, 16, 24, 1, 9, 17, 25, 2, 10, 18, 26, 3, 11, 19, 27, 4, 12, 20, 28,
                                         5, 13, 21, 29, 6, 14, 22, 30, 7, 15, 23, 31);
  return _mm256_permutexvar_epi8(index, y);
}

// The four keys of a step from H and M (U, V and W of the standard).
inline void DeriveKeys(__m256i hv, __m256i mv, __m256i k[4]) {
  const __m256i c3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kC3));
  __m256i u = hv, v = mv;
  k[0] = P(_mm256_xor_si256(u, v));
  u = A(u);
  v = A(A(v));
  k[1] = P(_mm256_xor_si256(u, v));
  u = _mm256_xor_si256(A(u), c3);
  v = A(A(v));
  k[2] = P(_mm256_xor_si256(u, v));
  u = A(u);
  v = A(A(v));
  k[3] = P(_mm256_xor_si256(u, v));
}

// psi^61(H) ^ psi^62(M): the half of the linear map that does not wait for S.
inline __m256i MixHm(__m256i hv, __m256i mv) {
  const __m512i hm = _mm512_inserti64x4(_mm512_castsi256_si512(hv), mv, 1);
  __m512i acc = _mm512_setzero_si512();
  for (int i = 0; i < 16; ++i) {
    const __m512i pick = _mm512_inserti64x4(_mm512_castsi256_si512(_mm256_set1_epi16(static_cast<short>(i))),
                                            _mm256_set1_epi16(static_cast<short>(16 + i)), 1);
    const __m512i words = _mm512_permutexvar_epi16(pick, hm);
    acc = _mm512_ternarylogic_epi32(acc, words, _mm512_load_si512(kColumns.hm[i]), 0x78);  // acc ^ (w & col)
  }
  return _mm256_xor_si256(_mm512_castsi512_si256(acc), _mm512_extracti64x4_epi64(acc, 1));
}

// x ^ psi^74(S), with four accumulators so that the XORs do not form one long chain.
inline __m256i MixS(__m256i x, __m256i s) {
  __m256i acc[4] = {x, _mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
  for (int i = 0; i < 16; ++i) {
    const __m256i words = _mm256_permutexvar_epi16(_mm256_set1_epi16(static_cast<short>(i)), s);
    acc[i % 4] = _mm256_ternarylogic_epi32(acc[i % 4], words,
                                           _mm256_load_si256(reinterpret_cast<const __m256i*>(kColumns.s[i])), 0x78);
  }
  return _mm256_ternarylogic_epi32(acc[0], acc[1], _mm256_xor_si256(acc[2], acc[3]), 0x96);  // a ^ b ^ c
}

inline __m256i Load(const std::uint64_t v[4]) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v)); }

}  // namespace

void HashStepAvx512(const SBox& sbox, std::uint64_t h[4], const std::uint64_t m[4]) {
  const __m256i hv = Load(h), mv = Load(m);
  __m256i k[4];
  DeriveKeys(hv, mv, k);

  // Round key j for lane l is word j of key l.
  const __m512i k12 = _mm512_inserti64x4(_mm512_castsi256_si512(k[0]), k[1], 1);
  const __m512i k34 = _mm512_inserti64x4(_mm512_castsi256_si512(k[2]), k[3], 1);
  __m512i keys[8];
  for (int j = 0; j < 8; ++j) {
    const __m512i index = _mm512_set_epi32(24 + j, 16 + j, 8 + j, j, 24 + j, 16 + j, 8 + j, j, 24 + j, 16 + j,
                                           8 + j, j, 24 + j, 16 + j, 8 + j, j);
    keys[j] = _mm512_permutex2var_epi32(k12, index, k34);
  }

  // Lane i encrypts quarter i of H: N1 = its low word, N2 its high word.
  const __m512i h512 = _mm512_castsi256_si512(hv);
  __m512i n1 = _mm512_permutexvar_epi32(_mm512_set_epi32(6, 4, 2, 0, 6, 4, 2, 0, 6, 4, 2, 0, 6, 4, 2, 0), h512);
  __m512i n2 = _mm512_permutexvar_epi32(_mm512_set_epi32(7, 5, 3, 1, 7, 5, 3, 1, 7, 5, 3, 1, 7, 5, 3, 1), h512);
  avx512::Rounds<1, false>(avx512::MakeTables(sbox), keys, &n1, &n2);
  const __m256i s = _mm512_castsi512_si256(
      _mm512_permutex2var_epi32(n1, _mm512_set_epi32(23, 7, 22, 6, 21, 5, 20, 4, 19, 3, 18, 2, 17, 1, 16, 0), n2));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(h), MixS(MixHm(hv, mv), s));
}

// Up to four messages side by side: the rounds of one step use four 32-bit lanes of
// a register and take the same time whatever the other twelve hold, so message g
// takes lanes 4g..4g+3 (its four encryptions). Key derivation and the linear map
// stay per message; they are independent of each other and of the rounds' chain.
void HashStepsAvx512(const SBox& sbox, std::size_t count, std::uint64_t (*h)[4], const std::uint64_t (*m)[4]) {
  __m256i hv[4] = {}, mv[4] = {}, x[4] = {};
  __m512i keys[8];
  for (__m512i& k : keys) k = _mm512_setzero_si512();
  for (std::size_t g = 0; g < count; ++g) {
    hv[g] = Load(h[g]);
    mv[g] = Load(m[g]);
    __m256i k[4];
    DeriveKeys(hv[g], mv[g], k);
    const __m512i k12 = _mm512_inserti64x4(_mm512_castsi256_si512(k[0]), k[1], 1);
    const __m512i k34 = _mm512_inserti64x4(_mm512_castsi256_si512(k[2]), k[3], 1);
    const auto lanes = static_cast<__mmask16>(0xFu << (4 * g));
    for (int j = 0; j < 8; ++j) {
      const __m512i index = _mm512_set_epi32(24 + j, 16 + j, 8 + j, j, 24 + j, 16 + j, 8 + j, j, 24 + j, 16 + j,
                                             8 + j, j, 24 + j, 16 + j, 8 + j, j);
      keys[j] = _mm512_mask_mov_epi32(keys[j], lanes, _mm512_permutex2var_epi32(k12, index, k34));
    }
    x[g] = MixHm(hv[g], mv[g]);
  }

  // Lane 4g + i encrypts quarter i of message g's H: dwords 2L and 2L + 1 of the
  // four H values laid end to end.
  const __m512i h01 = _mm512_inserti64x4(_mm512_castsi256_si512(hv[0]), hv[1], 1);
  const __m512i h23 = _mm512_inserti64x4(_mm512_castsi256_si512(hv[2]), hv[3], 1);
  const __m512i even = _mm512_set_epi32(30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0);
  __m512i n1 = _mm512_permutex2var_epi32(h01, even, h23);
  __m512i n2 = _mm512_permutex2var_epi32(h01, _mm512_add_epi32(even, _mm512_set1_epi32(1)), h23);
  avx512::Rounds<1, false>(avx512::MakeTables(sbox), keys, &n1, &n2);

  // S of message g: the words of lanes 4g..4g+3 interleaved N1, N2.
  const __m512i pick01 = _mm512_set_epi32(23, 7, 22, 6, 21, 5, 20, 4, 19, 3, 18, 2, 17, 1, 16, 0);
  const __m512i s01 = _mm512_permutex2var_epi32(n1, pick01, n2);
  const __m512i s23 = _mm512_permutex2var_epi32(n1, _mm512_add_epi32(pick01, _mm512_set1_epi32(8)), n2);
  const __m256i s[4] = {_mm512_castsi512_si256(s01), _mm512_extracti64x4_epi64(s01, 1), _mm512_castsi512_si256(s23),
                        _mm512_extracti64x4_epi64(s23, 1)};
  for (std::size_t g = 0; g < count; ++g)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(h[g]), MixS(x[g], s[g]));
}

void HashMixHmAvx512(const std::uint64_t h[4], const std::uint64_t m[4], std::uint64_t x[4]) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(x), MixHm(Load(h), Load(m)));
}

void HashMixSAvx512(const std::uint64_t x[4], std::uint64_t s0, std::uint64_t s1, std::uint64_t s2,
                    std::uint64_t s3, std::uint64_t h[4]) {
  const __m256i s = _mm256_set_epi64x(static_cast<long long>(s3), static_cast<long long>(s2),
                                      static_cast<long long>(s1), static_cast<long long>(s0));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(h), MixS(Load(x), s));
}

}  // namespace gostcrypto::detail

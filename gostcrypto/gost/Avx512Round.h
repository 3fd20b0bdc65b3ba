// The GOST 28147-89 rounds on 512-bit registers, shared by the AVX-512 files
// (which alone are compiled with the AVX-512 flags).
//
// Lane l of n1/n2 holds one block. The substitution is two byte permutes (vpermb)
// per round: the low nibble of byte k indexes row 2k, the high nibble row 2k + 1,
// both through a 64-byte table in which that row sits at offset 16k (the odd rows'
// entries stored shifted left by 4, ready to OR). A permute reads
// its table from a register, so no memory access depends on the data.
#pragma once

#if defined(__GNUC__) && !defined(__clang__)
// GCC 12 reports the deliberately undefined pass-through operand inside the mask-less
// intrinsics as "maybe uninitialized"; the operand is never read.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>

#include <utility>

#include "RoundOrder.h"
#include "SBox.h"

namespace gostcrypto::detail::avx512 {

struct Tables {
  __m512i low, high, nibble, offset;
};

inline Tables MakeTables(const SBox& s) {
  return Tables{_mm512_load_si512(s.permLow), _mm512_load_si512(s.permHigh), _mm512_set1_epi8(0x0F),
                _mm512_set1_epi32(0x30201000)};
}

// y ^ f(x). The two halves are rotated separately and joined with y in one
// three-input operation, one step shorter than OR, rotate, XOR in a chain.
inline __m512i XorRound(const Tables& t, __m512i y, __m512i x) {
  const __m512i lowIndex = _mm512_ternarylogic_epi32(x, t.nibble, t.offset, 0xEA);  // (x & 0F) | offset
  const __m512i highIndex = _mm512_ternarylogic_epi32(_mm512_srli_epi32(x, 4), t.nibble, t.offset, 0xEA);
  const __m512i low = _mm512_rol_epi32(_mm512_permutexvar_epi8(lowIndex, t.low), 11);
  const __m512i high = _mm512_rol_epi32(_mm512_permutexvar_epi8(highIndex, t.high), 11);  // stored shifted
  return _mm512_ternarylogic_epi32(y, low, high, 0x1E);  // y ^ (low | high)
}

// 32 rounds over G register pairs; k[j] holds round key j for every lane.
template <int G, bool Decrypt>
inline void Rounds(const Tables& t, const __m512i k[8], __m512i n1[G], __m512i n2[G]) {
  ForEachRoundPair<Decrypt>([&](int a, int b) {
    for (int g = 0; g < G; ++g) n2[g] = XorRound(t, n2[g], _mm512_add_epi32(n1[g], k[a]));
    for (int g = 0; g < G; ++g) n1[g] = XorRound(t, n1[g], _mm512_add_epi32(n2[g], k[b]));
  });
  for (int g = 0; g < G; ++g) std::swap(n1[g], n2[g]);  // the last round does not swap
}

}  // namespace gostcrypto::detail::avx512

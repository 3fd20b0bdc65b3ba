// Pieces of the GOST 34.311-95 step shared by the portable code and the AVX-512
// kernel: the constant C3 and the linear maps of the step.
#pragma once

#include <cstddef>
#include <cstdint>

#include "SBox.h"

namespace gostcrypto::detail {

// C3 in memory order: 00FF00FF00FF00FF FF00FF00FF00FF00 00FFFF00FF0000FF FF000000FFFF00FF.
constexpr std::uint64_t kC3[4] = {0xFF00FF00FF00FF00ull, 0x00FF00FF00FF00FFull, 0xFF0000FF00FFFF00ull,
                                  0xFF00FFFF000000FFull};

// The linear part of a step, H' = psi^61(H ^ psi(M ^ psi^12(S))), equals
// psi^61(H ^ psi(M)) ^ psi^74(S) = psi^61(H) ^ psi^62(M) ^ psi^74(S). psi drops the
// first of sixteen 16-bit words and appends w1 ^ w2 ^ w3 ^ w4 ^ w13 ^ w16, so each
// output word of psi^n is the XOR of a fixed set of input words: bit i of rows[j]
// says that input word i enters output word j. Worked out at compile time; the
// XORs are unrolled from them.
struct PsiMap {
  std::uint16_t rows[16];
};

constexpr PsiMap MakePsiMap(int power) {
  std::uint16_t seq[16 + 74] = {};
  for (int i = 0; i < 16; ++i) seq[i] = static_cast<std::uint16_t>(1u << i);
  for (int i = 0; i < power; ++i)
    seq[16 + i] =
        static_cast<std::uint16_t>(seq[i] ^ seq[i + 1] ^ seq[i + 2] ^ seq[i + 3] ^ seq[i + 12] ^ seq[i + 15]);
  PsiMap map{};
  for (int j = 0; j < 16; ++j) map.rows[j] = seq[power + j];
  return map;
}

constexpr PsiMap kPsi61 = MakePsiMap(61);
constexpr PsiMap kPsi62 = MakePsiMap(62);
constexpr PsiMap kPsi74 = MakePsiMap(74);

// One step H = step(H, M) with the AVX-512 kernels (constant time: byte permutes
// for the substitutions). Only on CPUs with AVX-512 VBMI.
void HashStepAvx512(const SBox& sbox, std::uint64_t h[4], const std::uint64_t m[4]);

// One step for each of `count` (1 to 4) independent messages at once, h[g] and m[g]
// message g's H and block: the cost of about one step (constant time as above).
void HashStepsAvx512(const SBox& sbox, std::size_t count, std::uint64_t (*h)[4], const std::uint64_t (*m)[4]);

// The linear map around scalar rounds, in two halves: x = psi^61(H) ^ psi^62(M)
// (needs no S, so it runs before the rounds), then H = x ^ psi^74(S) with S given
// as its four quarters.
void HashMixHmAvx512(const std::uint64_t h[4], const std::uint64_t m[4], std::uint64_t x[4]);
void HashMixSAvx512(const std::uint64_t x[4], std::uint64_t s0, std::uint64_t s1, std::uint64_t s2,
                    std::uint64_t s3, std::uint64_t h[4]);

}  // namespace gostcrypto::detail

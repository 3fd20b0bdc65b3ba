// Pieces of the GOST 34.311-95 step shared by the portable code and the AVX-512
// kernel: the constant C3 and the linear maps of the step.
#pragma once

#include <cstdint>

#include "SBox.h"

namespace gostcrypto::detail {

// C3 in memory order: 00FF00FF00FF00FF FF00FF00FF00FF00 00FFFF00FF0000FF FF000000FFFF00FF.
constexpr std::uint64_t kC3[4] = {0xFF00FF00FF00FF00ull, 0x00FF00FF00FF00FFull, 0xFF0000FF00FFFF00ull,
                                  0xFF00FFFF000000FFull};

// The linear part of a step, H' = psi^61(H ^ psi(M ^ psi^12(S))), equals
// psi^61(H) ^ psi^62(M) ^ psi^74(S). psi drops the first of sixteen 16-bit words and
// appends w1 ^ w2 ^ w3 ^ w4 ^ w13 ^ w16, so each output word of psi^n is the XOR of a
// fixed set of input words. The sets are worked out here at compile time (bit i of
// kPsi[map][j] = input word i enters output word j) and the XORs are unrolled.
struct PsiMaps {
  std::uint16_t rows[3][16];
};

constexpr PsiMaps MakePsiMaps() {
  PsiMaps maps{};
  const int powers[3] = {61, 62, 74};
  for (int m = 0; m < 3; ++m) {
    std::uint16_t seq[16 + 74] = {};
    for (int i = 0; i < 16; ++i) seq[i] = static_cast<std::uint16_t>(1u << i);
    for (int i = 0; i < powers[m]; ++i)
      seq[16 + i] = static_cast<std::uint16_t>(seq[i] ^ seq[i + 1] ^ seq[i + 2] ^ seq[i + 3] ^ seq[i + 12] ^
                                               seq[i + 15]);
    for (int j = 0; j < 16; ++j) maps.rows[m][j] = seq[powers[m] + j];
  }
  return maps;
}

constexpr PsiMaps kPsi = MakePsiMaps();

// One step H = step(H, M) with the AVX-512 kernels (constant time: byte permutes
// for the substitutions). Only on CPUs with AVX-512 VBMI.
void HashStepAvx512(const SBox& sbox, std::uint64_t h[4], const std::uint64_t m[4]);

}  // namespace gostcrypto::detail

// Carry-less products without special instructions, in constant time: the bits of
// each operand are spread over four interleaved streams so that ordinary integer
// multiplication cannot carry from one useful bit into the next.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gostcrypto::gf2m::detail {

// (hi:lo) = x * y over GF(2)[t].
inline void Mul64Portable(std::uint64_t& lo, std::uint64_t& hi, std::uint64_t x, std::uint64_t y) {
  __extension__ typedef unsigned __int128 U128;
  constexpr std::uint64_t kM0 = 0x1111111111111111ULL, kM1 = kM0 << 1, kM2 = kM0 << 2,
                          kM3 = kM0 << 3;
  // With at most 15 bits of y per stream a column sums at most 15 products, which
  // fits below the next bit of the same stream. y's top nibble is multiplied apart:
  // one stream of x times a 4-bit number puts each copy in its own nibble, no carries.
  const std::uint64_t yTop = y >> 60;
  y &= 0x0FFFFFFFFFFFFFFFULL;
  const std::uint64_t x0 = x & kM0, x1 = x & kM1, x2 = x & kM2, x3 = x & kM3;
  const std::uint64_t y0 = y & kM0, y1 = y & kM1, y2 = y & kM2, y3 = y & kM3;
  const auto mul = [](std::uint64_t a, std::uint64_t b) { return U128{a} * b; };
  const U128 z0 = mul(x0, y0) ^ mul(x1, y3) ^ mul(x2, y2) ^ mul(x3, y1);
  const U128 z1 = mul(x0, y1) ^ mul(x1, y0) ^ mul(x2, y3) ^ mul(x3, y2);
  const U128 z2 = mul(x0, y2) ^ mul(x1, y1) ^ mul(x2, y0) ^ mul(x3, y3);
  const U128 z3 = mul(x0, y3) ^ mul(x1, y2) ^ mul(x2, y1) ^ mul(x3, y0);
  const U128 top = mul(x0, yTop) ^ mul(x1, yTop) ^ mul(x2, yTop) ^ mul(x3, yTop);
  lo = (static_cast<std::uint64_t>(z0) & kM0) | (static_cast<std::uint64_t>(z1) & kM1) |
       (static_cast<std::uint64_t>(z2) & kM2) | (static_cast<std::uint64_t>(z3) & kM3);
  hi = (static_cast<std::uint64_t>(z0 >> 64) & kM0) | (static_cast<std::uint64_t>(z1 >> 64) & kM1) |
       (static_cast<std::uint64_t>(z2 >> 64) & kM2) | (static_cast<std::uint64_t>(z3 >> 64) & kM3);
  lo ^= static_cast<std::uint64_t>(top) << 60;
  hi ^= static_cast<std::uint64_t>(top >> 4);
}

// r[0, 2W) = a[0, W) * b[0, W). r may not overlap a or b.
// Word-level Karatsuba: a_i b_j + a_j b_i = (a_i + a_j)(b_i + b_j) + a_i b_i + a_j b_j,
// so W(W+1)/2 word products instead of W^2; the word product dominates the cost.
template <std::size_t W>
inline void MulPortable(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b) {
  std::uint64_t dLo[W], dHi[W];
  for (std::size_t i = 0; i < 2 * W; ++i) r[i] = 0;
  for (std::size_t i = 0; i < W; ++i) {
    Mul64Portable(dLo[i], dHi[i], a[i], b[i]);
    r[2 * i] ^= dLo[i];
    r[2 * i + 1] ^= dHi[i];
  }
  for (std::size_t i = 0; i < W; ++i) {
    for (std::size_t j = i + 1; j < W; ++j) {
      std::uint64_t lo, hi;
      Mul64Portable(lo, hi, a[i] ^ a[j], b[i] ^ b[j]);
      r[i + j] ^= lo ^ dLo[i] ^ dLo[j];
      r[i + j + 1] ^= hi ^ dHi[i] ^ dHi[j];
    }
  }
}

// The 32 bits of x spread to the even positions of a 64-bit word.
inline std::uint64_t Spread32(std::uint64_t x) {
  x = (x | (x << 16)) & 0x0000FFFF0000FFFFULL;
  x = (x | (x << 8)) & 0x00FF00FF00FF00FFULL;
  x = (x | (x << 4)) & 0x0F0F0F0F0F0F0F0FULL;
  x = (x | (x << 2)) & 0x3333333333333333ULL;
  x = (x | (x << 1)) & 0x5555555555555555ULL;
  return x;
}

// r[0, 2W) = a[0, W)^2: squaring only spreads the bits apart.
template <std::size_t W>
inline void SqrPortable(std::uint64_t* r, const std::uint64_t* a) {
  for (std::size_t i = 0; i < W; ++i) {
    r[2 * i] = Spread32(a[i] & 0xFFFFFFFFULL);
    r[2 * i + 1] = Spread32(a[i] >> 32);
  }
}

}  // namespace gostcrypto::gf2m::detail

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
  // fits below the next bit of the same stream; y's top four bits are added apart.
  const std::uint64_t yTop = y >> 60;
  y &= 0x0FFFFFFFFFFFFFFFULL;
  const U128 x0 = x & kM0, x1 = x & kM1, x2 = x & kM2, x3 = x & kM3;
  const U128 y0 = y & kM0, y1 = y & kM1, y2 = y & kM2, y3 = y & kM3;
  const U128 z0 = (x0 * y0) ^ (x1 * y3) ^ (x2 * y2) ^ (x3 * y1);
  const U128 z1 = (x0 * y1) ^ (x1 * y0) ^ (x2 * y3) ^ (x3 * y2);
  const U128 z2 = (x0 * y2) ^ (x1 * y1) ^ (x2 * y0) ^ (x3 * y3);
  const U128 z3 = (x0 * y3) ^ (x1 * y2) ^ (x2 * y1) ^ (x3 * y0);
  const auto wide = [](std::uint64_t m) { return (U128{m} << 64) | m; };
  U128 z = (z0 & wide(kM0)) | (z1 & wide(kM1)) | (z2 & wide(kM2)) | (z3 & wide(kM3));
  const U128 xw = x;
  for (unsigned q = 0; q < 4; ++q) {
    const U128 mask = U128{0} - ((yTop >> q) & 1);
    z ^= (xw << (60 + q)) & mask;
  }
  lo = static_cast<std::uint64_t>(z);
  hi = static_cast<std::uint64_t>(z >> 64);
}

// r[0, 2W) = a[0, W) * b[0, W). r may not overlap a or b.
template <std::size_t W>
inline void MulPortable(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b) {
  for (std::size_t i = 0; i < 2 * W; ++i) r[i] = 0;
  for (std::size_t i = 0; i < W; ++i) {
    for (std::size_t j = 0; j < W; ++j) {
      std::uint64_t lo, hi;
      Mul64Portable(lo, hi, a[i], b[j]);
      r[i + j] ^= lo;
      r[i + j + 1] ^= hi;
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

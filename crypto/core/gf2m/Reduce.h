// Reduction modulo a sparse polynomial t^M + t^K1 (+ t^K2 + t^K3) + 1, unrolled at
// compile time: every shift count below is a constant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace gostcrypto::gf2m::detail {

// Adds x * t^shift into the little-endian word array t (which must be long enough).
template <unsigned kShift>
inline void XorShifted(std::uint64_t* t, std::uint64_t x) {
  constexpr unsigned kWord = kShift / 64, kBit = kShift % 64;
  t[kWord] ^= x << kBit;
  if constexpr (kBit != 0) t[kWord + 1] ^= x >> (64 - kBit);
}

// x * t^(base - M) * (t^K... + 1): the image of x * t^base modulo the polynomial.
template <unsigned M, unsigned kBase, unsigned... K>
inline void Fold(std::uint64_t* t, std::uint64_t x) {
  XorShifted<kBase - M>(t, x);
  (XorShifted<kBase - M + K>(t, x), ...);
}

template <unsigned M, unsigned... K, std::size_t... I>
inline void FoldHighWords(std::uint64_t* t, std::index_sequence<I...>) {
  constexpr std::size_t kWords = (M + 63) / 64;
  // Top word first: a fold lands strictly below the word it came from (M - K >= 64).
  (Fold<M, 64 * (2 * kWords - 1 - I), K...>(t, t[2 * kWords - 1 - I]), ...);
}

// r = t mod f, for t of 2W words holding a product of two reduced elements
// (degree <= 2M - 2). t is clobbered. r may not overlap t.
template <unsigned M, unsigned... K>
inline void Reduce(std::uint64_t* r, std::uint64_t* t) {
  constexpr std::size_t kWords = (M + 63) / 64;
  constexpr unsigned kTop = M % 64;
  static_assert(((M >= K + 64) && ...), "middle terms must lie a word below the degree");
  static_assert(((K > 0) && ...));
  FoldHighWords<M, K...>(t, std::make_index_sequence<kWords>{});
  if constexpr (kTop != 0) {
    const std::uint64_t x = t[kWords - 1] >> kTop;
    t[kWords - 1] &= (std::uint64_t{1} << kTop) - 1;
    // x * t^M = x * (1 + t^K...): below M because x has at most 64 - kTop bits.
    XorShifted<0>(t, x);
    (XorShifted<K>(t, x), ...);
  }
  for (std::size_t i = 0; i < kWords; ++i) r[i] = t[i];
}

}  // namespace gostcrypto::gf2m::detail

// Reduction modulo a sparse polynomial f = t^M + t^K1 (+ t^K2 + t^K3) + 1, unrolled
// at compile time: every shift count below is a constant and every array index too,
// so the words stay in registers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gostcrypto::gf2m::detail {

// r = t mod f for t of 2W words holding a product of two reduced elements
// (degree <= 2M - 2). r may alias t. Word is std::uint64_t, or a vector of them
// (gf2m/LaneField.h) that reduces one element per lane with the same shifts.
//
// Two folds: with t = L + H * t^M (deg L < M), t = L + H + H * (t^K...) mod f; H has
// degree <= M - 2, so H * t^K spills at most K - 1 bits D past t^M, and D * f is below
// t^M again.
template <class Word, unsigned M, unsigned... K>
inline __attribute__((always_inline)) void ReduceWords(Word* r, const Word* t) {
  constexpr std::size_t kWords = (M + 63) / 64;
  constexpr unsigned kTop = M % 64;
  constexpr std::uint64_t kTopMask = kTop == 0 ? ~std::uint64_t{0} : (std::uint64_t{1} << kTop) - 1;
  static_assert(((K > 0 && K < 64 && K + 64 <= M) && ...), "middle terms below 64, a word below M");

  Word h[kWords], x[kWords + 1];
#pragma GCC unroll 16
  for (std::size_t i = 0; i < kWords; ++i) {
    if constexpr (kTop == 0) {
      h[i] = t[kWords + i];
    } else {
      h[i] = (t[kWords - 1 + i] >> kTop) | (t[kWords + i] << (64 - kTop));
    }
  }
#pragma GCC unroll 16
  for (std::size_t i = 0; i + 1 < kWords; ++i) x[i] = t[i] ^ h[i];
  x[kWords - 1] = (t[kWords - 1] & kTopMask) ^ h[kWords - 1];
  x[kWords] = Word{};
  const auto addShifted = [&](unsigned k) {
#pragma GCC unroll 16
    for (std::size_t i = 0; i < kWords; ++i) {
      x[i] ^= h[i] << k;
      x[i + 1] ^= h[i] >> (64 - k);
    }
  };
  (addShifted(K), ...);

  Word d;
  if constexpr (kTop == 0) {
    d = x[kWords];
  } else {
    d = (x[kWords - 1] >> kTop) | (x[kWords] << (64 - kTop));
    x[kWords - 1] &= kTopMask;
  }
  x[0] ^= d;
  ((x[0] ^= d << K, x[1] ^= d >> (64 - K)), ...);
#pragma GCC unroll 16
  for (std::size_t i = 0; i < kWords; ++i) r[i] = x[i];
}

template <unsigned M, unsigned... K>
inline __attribute__((always_inline)) void Reduce(std::uint64_t* r, const std::uint64_t* t) {
  ReduceWords<std::uint64_t, M, K...>(r, t);
}

}  // namespace gostcrypto::gf2m::detail

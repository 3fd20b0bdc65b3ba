// The body of the lane ladders (ec/LaneLadder.h), compiled once per backend by
// LaneLadderVpclmul.cpp and LaneLadderPclmul.cpp with that backend's instructions.
#pragma once

#include <cstring>

#include "gostcrypto/Wipe.h"
#include "ec/LaneLadder.h"
#include "gf2m/LaneField.h"

namespace gostcrypto::ec::detail {

template <class B, unsigned M, unsigned... K>
void RunLaneLadder(std::uint64_t* state, const std::uint64_t* d, unsigned bits) {
  using LF = gf2m::lanes::LaneField<B, M, K...>;
  using Element = typename LF::Element;
  using gf2m::lanes::Word;
  constexpr std::size_t kWords = LF::kWords;
  Element v[6];
  std::memcpy(static_cast<void*>(v), state, sizeof v);
  const Element &x = v[0], &sqrtB = v[1];
  Element &X1 = v[2], &Z1 = v[3], &X2 = v[4], &Z2 = v[5];
  Element t1, t2, x2, z2;
  std::uint64_t previous = 0;
  for (unsigned b = bits; b-- > 0;) {
    const std::uint64_t bit = (d[b / 64] >> (b % 64)) & 1;
    const Word swap = Word{} | (0 - (bit ^ previous));
    previous = bit;
    LF::CondSwap(swap, X1, X2);
    LF::CondSwap(swap, Z1, Z2);
    // x(P1 + P2) into (X2, Z2), as CurveMath::LadderAdd(X2, Z2, X1, Z1, x).
    LF::Mul(t1, X2, Z1);
    LF::Mul(t2, X1, Z2);
    LF::Add(Z2, t1, t2);
    LF::Sqr(Z2, Z2);
    LF::Mul(t1, t1, t2);
    LF::Mul(X2, x, Z2);
    LF::Add(X2, X2, t1);
    // x(2 P1) into (X1, Z1), as CurveMath::LadderDouble.
    LF::Sqr(x2, X1);
    LF::Sqr(z2, Z1);
    LF::Mul(Z1, x2, z2);
    LF::Mul(z2, z2, sqrtB);
    LF::Add(X1, x2, z2);
    LF::Sqr(X1, X1);
  }
  const Word swap = Word{} | (0 - previous);
  LF::CondSwap(swap, X1, X2);
  LF::CondSwap(swap, Z1, Z2);
  static_assert(sizeof(Element) == kWords * 64);
  std::memcpy(state, static_cast<const void*>(v), sizeof v);
  for (Element* secret : {&v[2], &v[3], &v[4], &v[5], &t1, &t2, &x2, &z2})
    tavrpki::SecureWipe(secret, sizeof *secret);
}

}  // namespace gostcrypto::ec::detail

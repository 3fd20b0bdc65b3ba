// The reduction polynomials of the named DSTU 4145-2002 curves: t^M + t^K... + 1 with
// the lower exponents ascending. One list, so that the pclmul kernels instantiated
// in MulClmul.cpp and the compile-time check in PolyField cannot drift apart.
#pragma once

#define TAVRPKI_GF2M_NAMED_FIELDS(X) \
  X(163, 3, 6, 7)                    \
  X(167, 6)                          \
  X(173, 1, 2, 10)                   \
  X(179, 1, 2, 4)                    \
  X(191, 9)                          \
  X(233, 1, 4, 9)                    \
  X(257, 12)                         \
  X(307, 2, 4, 8)                    \
  X(367, 21)                         \
  X(431, 1, 3, 5)

namespace gostcrypto::gf2m::detail {

template <unsigned M, unsigned... K>
struct Poly {};

template <class P>
inline constexpr bool kNamedPoly = false;
#define TAVRPKI_GF2M_MARK_NAMED(...) \
  template <>                        \
  inline constexpr bool kNamedPoly<Poly<__VA_ARGS__>> = true;
TAVRPKI_GF2M_NAMED_FIELDS(TAVRPKI_GF2M_MARK_NAMED)
#undef TAVRPKI_GF2M_MARK_NAMED

}  // namespace gostcrypto::gf2m::detail

// Field multiplication and squaring with PCLMULQDQ for the named polynomials. The
// definitions live in MulClmul.cpp, the only file compiled with -mpclmul, so any
// translation unit may call them; call them only when Supported(CpuPath::kClmul).
#pragma once

#include <cstdint>

#include "NamedFields.h"

namespace gostcrypto::gf2m::detail {

// r = a * b, r = a^2, r = a^(2^n) modulo t^M + t^K... + 1; every array has
// (M + 63) / 64 words; r may alias a or b.
template <unsigned M, unsigned... K>
struct ClmulKernels {
  static void Mul(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b);
  static void Sqr(std::uint64_t* r, const std::uint64_t* a);
  static void SqrN(std::uint64_t* r, const std::uint64_t* a, unsigned n);
};

#define TAVRPKI_GF2M_DECLARE_CLMUL(...) extern template struct ClmulKernels<__VA_ARGS__>;
TAVRPKI_GF2M_NAMED_FIELDS(TAVRPKI_GF2M_DECLARE_CLMUL)
#undef TAVRPKI_GF2M_DECLARE_CLMUL

}  // namespace gostcrypto::gf2m::detail

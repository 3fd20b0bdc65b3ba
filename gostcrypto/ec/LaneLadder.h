// The x-only ladders of up to eight points under one scalar, one point per lane of
// the gf2m lane kernels (gf2m/LaneField.h): what DecapsulateBatch runs when the CPU
// has 512-bit carry-less multiplication. The arithmetic is the single ladder's
// (CurveMath::LadderAdd and LadderDouble), formula for formula.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gf2m/NamedFields.h"
#include "gf2m/PolyField.h"

namespace gostcrypto::ec::detail {

// state holds six lane elements, each (M + 63) / 64 words of eight lanes (word i of
// lane j at [8 i + j]), in this order: x (the points), sqrt(b) (in every lane), X1,
// Z1, X2, Z2. On return X1/Z1 = x(d P) and X2/Z2 = x((d + 1) P) per lane, for the
// scalar d of `bits` bits (little-endian words). Constant time in d and in the state.
template <unsigned M, unsigned... K>
struct LaneLadder {
  static constexpr std::size_t kWords = (M + 63) / 64;
  static constexpr std::size_t kStateWords = 6 * kWords * 8;
  // AVX-512F + VPCLMULQDQ; call only where Supported(FieldPath::kVpclmul).
  static void Vpclmul(std::uint64_t* state, const std::uint64_t* d, unsigned bits);
  // The same formulas with PCLMULQDQ; call only where Supported(FieldPath::kClmul).
  static void Pclmul(std::uint64_t* state, const std::uint64_t* d, unsigned bits);
};

// The lane ladders of a field type, when it has them (the pclmul fields).
template <class F>
struct LaneLadderOf {
  static constexpr bool kHas = false;
};
template <unsigned M, unsigned... K>
struct LaneLadderOf<gf2m::PolyField<gf2m::CpuPath::kClmul, M, K...>> {
  static constexpr bool kHas = true;
  using Kernels = LaneLadder<M, K...>;
};

using LaneLadderFunction = void (*)(std::uint64_t* state, const std::uint64_t* d, unsigned bits);

}  // namespace gostcrypto::ec::detail

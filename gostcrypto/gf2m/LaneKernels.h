// Callable forms of the lane kernels (LaneField.h) for eight elements at a time, for
// the code that has no vector instructions of its own (tests, benchmarks, fuzzing).
// Layout: word i of element j at [8 i + j]; every array has 8 (M + 63) / 64 words;
// r may alias a or b.
#pragma once

#include <cstdint>

#include "NamedFields.h"

namespace gostcrypto::gf2m::detail {

template <unsigned M, unsigned... K>
struct LaneKernels {
  // AVX-512F + VPCLMULQDQ: only where Supported(FieldPath::kVpclmul).
  static void MulVpclmul(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b);
  static void SqrVpclmul(std::uint64_t* r, const std::uint64_t* a);
  // PCLMULQDQ: only where Supported(FieldPath::kClmul).
  static void MulPclmul(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b);
  static void SqrPclmul(std::uint64_t* r, const std::uint64_t* a);
};

}  // namespace gostcrypto::gf2m::detail

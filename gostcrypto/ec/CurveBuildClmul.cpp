#include <array>

#include "ec/CurveBuild.h"
#include "ec/CurveImpl.h"
#include "gf2m/NamedFields.h"

namespace gostcrypto::ec::detail {
namespace {

// valgrind runs no AVX-512, so the constant-time check (tests/ct) builds this file
// with the batched ladders on the pclmul lane backend: the same lane formulas and
// glue, four PCLMULQDQ where the vpclmul path has one instruction.
#if defined(TAVRPKI_CT_VALGRIND)
constexpr bool kLanesOnPclmul = true;
#else
constexpr bool kLanesOnPclmul = false;
#endif

}  // namespace

std::shared_ptr<const Curve> BuildClmul(const FieldSpec& shape, const CurveParams& params, bool lanes) {
  const std::array<unsigned, 3> wanted{shape.k, shape.j, shape.l};
#define TAVRPKI_EC_TRY_FIELD(M, ...)                                                       \
  if (shape.m == M && wanted == std::array<unsigned, 3>{__VA_ARGS__}) {                     \
    using F = gf2m::PolyField<gf2m::CpuPath::kClmul, M, __VA_ARGS__>;                       \
    auto curve = std::make_shared<CurveImpl<F>>(F{}, shape.onb, params, shape.cofactor,      \
                                                lanes ? "vpclmul" : "pclmul");               \
    if (lanes) curve->UseLaneLadder(&LaneLadder<M, __VA_ARGS__>::Vpclmul);                   \
    if (!lanes && kLanesOnPclmul) curve->UseLaneLadder(&LaneLadder<M, __VA_ARGS__>::Pclmul); \
    return curve;                                                                            \
  }
  TAVRPKI_GF2M_NAMED_FIELDS(TAVRPKI_EC_TRY_FIELD)
#undef TAVRPKI_EC_TRY_FIELD
  return nullptr;
}

}  // namespace gostcrypto::ec::detail

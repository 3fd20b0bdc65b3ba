#include <array>

#include "ec/CurveBuild.h"
#include "ec/CurveImpl.h"
#include "gf2m/NamedFields.h"

namespace gostcrypto::ec::detail {

std::shared_ptr<const Curve> BuildClmul(const FieldSpec& shape, const CurveParams& params, bool lanes) {
  const std::array<unsigned, 3> wanted{shape.k, shape.j, shape.l};
#define TAVRPKI_EC_TRY_FIELD(M, ...)                                                       \
  if (shape.m == M && wanted == std::array<unsigned, 3>{__VA_ARGS__}) {                     \
    using F = gf2m::PolyField<gf2m::CpuPath::kClmul, M, __VA_ARGS__>;                       \
    auto curve = std::make_shared<CurveImpl<F>>(F{}, shape.onb, params, shape.cofactor,      \
                                                lanes ? "vpclmul" : "pclmul");               \
    if (lanes) curve->UseLaneLadder(&LaneLadder<M, __VA_ARGS__>::Vpclmul);                   \
    return curve;                                                                            \
  }
  TAVRPKI_GF2M_NAMED_FIELDS(TAVRPKI_EC_TRY_FIELD)
#undef TAVRPKI_EC_TRY_FIELD
  return nullptr;
}

}  // namespace gostcrypto::ec::detail

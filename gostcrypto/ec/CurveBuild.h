// Internal to the curve factory: the field-specific constructors, one translation
// unit per CPU path so that the 21 curve instantiations compile in parallel.
#pragma once

#include <memory>

#include "ec/Curve.h"
#include "gf2m/NormalBasis.h"

namespace gostcrypto::ec::detail {

// The polynomial-basis field the curve's arithmetic runs in: the curve's own
// polynomial, or for a normal-basis curve the named polynomial of its degree.
struct FieldSpec {
  unsigned m = 0, k = 0, j = 0, l = 0;
  const gf2m::NormalBasisMap* onb = nullptr;
  unsigned cofactor = 0;
};

// A curve over the specialised field of that polynomial, or null when it is not
// one of the named polynomials. With `lanes` its batched ladders run eight points
// per 512-bit vector (FieldPath::kVpclmul).
std::shared_ptr<const Curve> BuildClmul(const FieldSpec& shape, const CurveParams& params, bool lanes);
std::shared_ptr<const Curve> BuildPortable(const FieldSpec& shape, const CurveParams& params);

}  // namespace gostcrypto::ec::detail

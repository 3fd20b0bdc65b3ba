// Loading a DSTU 4145 curve into the core's engine: the one place that turns a
// parameter set or a named-curve table entry into the fields of
// gostcrypto::CryptoEngine, in the order the engine documents.
//
// A value longer than the core can hold throws gostcrypto::CryptoException 0x12, the
// core's own code for it, so callers convert every engine failure in one place.
#pragma once

#include <cstdint>

#include "asn1/Blob.h"
#include "crypto/objects/CAsymmetric4145Params.h"
#include "crypto/params/NamedCurves.h"
#include "gostcrypto/CryptoEngine.h"
#include "longmath/LongInt.h"

namespace tavrpki::params {

// `bytes` (least significant first) as a core value of `bits` bits; longer bytes
// lengthen the value to hold them all.
longmath::LongInt ToLongInt(ByteView bytes, std::uint32_t bits);
inline longmath::LongInt ToLongInt(const CBitBlob& value) {
  return ToLongInt(value.View(), value.GetBitLength());
}

// Stores m, the polynomial exponents, A, B, n and the base point of `params` in
// `engine`. Field elements (B and the coordinates) are given m bits, n its own length.
void LoadCurve(gostcrypto::CryptoEngine& engine, const CAsymmetric4145Params& params);
// The same for an entry of the named-curve table.
void LoadCurve(gostcrypto::CryptoEngine& engine, const NamedCurve& curve);

}  // namespace tavrpki::params

// Shared helpers of the DSTU 4145 tests on the core: the named curves of
// tests/data/named-curves.txt as CurveParams, number conversions between the
// fact-sheet text form (hexadecimal, most significant digit first) and little-endian
// bytes, and loading a curve into CryptoEngine. The tests compile DstuCurves.cpp
// themselves, with the core's internal headers on their include path.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ec/Curve.h"
#include "gostcrypto/CryptoEngine.h"
#include "longmath/LongInt.h"

namespace tavrpki::test::dstu {

using gostcrypto::ec::CurveParams;

struct NamedCurve {
  std::string name, oid;
  CurveParams params;
  unsigned cofactor = 0;
};

// All 15 curves, in file order.
const std::vector<NamedCurve>& NamedCurves();
const NamedCurve& CurveByOid(const std::string& oid);
// The polynomial-basis named curve of degree m.
const NamedCurve& PolyCurveOfDegree(unsigned m);

// A hexadecimal number as `size` little-endian bytes (size 0: as many as it needs).
std::vector<std::uint8_t> NumberLE(const std::string& hex, std::size_t size = 0);

// `bytes` (least significant first) as a core value of `bits` bits.
longmath::LongInt Value(const std::vector<std::uint8_t>& bytes, unsigned bits);
// Stores the curve in the engine's fields, in the engine's order, each number as an
// m-bit value.
void LoadCurve(gostcrypto::CryptoEngine& engine, const CurveParams& params);

}  // namespace tavrpki::test::dstu

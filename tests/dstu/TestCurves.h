// Shared helpers of the DSTU 4145 tests: the named curves of tests/data/named-curves.txt
// as CurveParams, and number conversions between the fact-sheet text form
// (hexadecimal, most significant digit first) and little-endian bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ec/Curve.h"

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

}  // namespace tavrpki::test::dstu

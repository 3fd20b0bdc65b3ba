// DSTU 4145 parameter DER for people: what `tavrpki params` prints, kept here so
// that every program shows parameters and keys the same way.
//
// Numbers cross this interface least significant byte first, as the parameter
// objects hold them. Failures throw tavrpki::Exception (a tavrpki::ExceptionBase).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "crypto/params/NamedCurves.h"

namespace tavrpki::params {

// The parameter DER of the named curve `oid` with the 128-entry S-box `dke`: the
// named form, or with `explicitForm` the curve's numbers. Unknown OID: "Can't find
// appropriate curve.".
std::vector<std::uint8_t> NamedCurveParamsDer(std::string_view oid, std::span<const std::uint8_t> dke,
                                              bool explicitForm);

struct ParamsDescription {
  std::string algorithmOid;          // of the AlgorithmIdentifier given, else empty
  bool storedOrder = true;           // numbers little-endian in the DER
  bool named = false;                // the DER names its curve by OID
  std::string curveOid;              // the named curve's OID, when named
  const NamedCurve* curve = nullptr; // the table entry with these very numbers, if any
  std::uint32_t m = 0, k = 0, j = 0, l = 0, a = 0;
  std::vector<std::uint8_t> b, n, px, py;
  std::string dke;                   // "DKE No. 1", "default S-box" or the packed hex
  bool dkeInDer = false;
};

// Reads DSTU 4145 parameters given alone, inside an AlgorithmIdentifier (whose OID
// then says the byte order) or inside a SubjectPublicKeyInfo. `storedOrder` is the
// byte order for parameters given alone.
ParamsDescription DescribeParamsDer(std::span<const std::uint8_t> der, bool storedOrder);

// The compressed public key (m bits, least significant byte first) from the binary
// forms the exported key and parameter classes give out (GetSignPublicKey,
// GetParamsBuffer). Malformed forms or a point not on the curve throw.
std::vector<std::uint8_t> CompressedPublicKey(std::span<const std::uint8_t> publicKey,
                                              std::span<const std::uint8_t> paramsBuffer);

}  // namespace tavrpki::params

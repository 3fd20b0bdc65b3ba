// DSTU 4145 parameter sets: named-curve lookup, conversion between the parameter
// object and its DER, and the public-key algorithm identifiers.
//
// Stored order: under the algorithm identifiers "1.2.804.2.1.1.1.1.3.1.1" and
// "…3.1.2" every field element in the DER (b, bp, the public key) is least
// significant byte first, as the parameter object holds it; under any other
// identifier (the big-endian variant "…3.1.1.1.1") those bytes are reversed.
#pragma once

#include <string_view>

#include "asn1/Blob.h"
#include "crypto/objects/CAsymmetric4145Params.h"
#include "crypto/params/ASN1DSTUParams.h"

namespace tavrpki {

inline constexpr const char* kDstuPolynomialBasisOid = "1.2.804.2.1.1.1.1.3.1.1";
inline constexpr const char* kDstuNormalBasisOid = "1.2.804.2.1.1.1.1.3.1.2";

// The parameters of the named curve `oid` (exact text) with the S-box `dke`
// (128 bytes, taken as given). An unknown OID throws "Can't find appropriate curve.".
CAsymmetric4145Params NamedCurveParams(std::string_view oid, ByteView dke);

// The DER form: the named curve when the OID is set, else the explicit ECBinary
// (base point compressed through the engine; a normal basis has no polynomial);
// the dke always, packed to 64 bytes.
ASN1DSTUParams ToDstuParams(const CAsymmetric4145Params& params);
Blob EncodeDstuParams(const CAsymmetric4145Params& params);

// The parameter object of the DER form. Version not 0: code 230000. A dke of 128
// bytes or more is the expanded table (entries cut to 4 bits), 64 to 127 bytes are
// unpacked from the first 64, none gives the default S-box, fewer than 64 is
// refused (50029). `out` is replaced only on success.
void FromDstuParams(const ASN1DSTUParams& der, bool storedOrder, CAsymmetric4145Params& out);
void DecodeDstuParams(ByteView der, bool storedOrder, CAsymmetric4145Params& out);

// "…3.1.2" for a normal basis (k = j = l = 0), "…3.1.1" otherwise.
const char* PublicKeyAlgorithmOid(const CAsymmetric4145Params& params);
// True exactly for "…3.1.1" and "…3.1.2".
bool IsStoredOrderAlgorithm(std::string_view oid);

}  // namespace tavrpki

// The public-key field of certificates and requests (subjectPublicKeyInfo, and the
// same structure in the key-agreement key extension): DSTU 4145 parameters and a
// compressed public key in, key pairs out, and back.
//
// Byte order follows the field's own algorithm identifier: under
// "1.2.804.2.1.1.1.1.3.1.1" and "…3.1.2" the key octets and the field elements of
// explicit parameters are least significant byte first; under any other
// identifier (the big-endian "…3.1.1.1.1" of some issuers) they are reversed. The
// S-box (dke) is optional; without one the default table applies.
//
// The conversions themselves are crypto/params/SubjectPublicKey.h. Here they get
// two small process-wide caches, since an issuer's parameters and key recur in
// every certificate it signed: parameters by (DER, byte order), decompressed
// points by (parameter DER, byte order, key octets). Both hold public values
// only and stop growing when full.
#pragma once

#include <array>
#include <cstdint>

#include "asn1/Blob.h"
#include "asn1/x509/ASN1SubjPubKeyInfo.h"
#include "crypto/objects/CAsymmetric4145Params.h"
#include "crypto/objects/CKeyPair.h"

namespace tavrpki::pkix {

// The DSTU 4145 parameters of the field (50029 and the parameter codes of the
// conversion when they are malformed; 40003 when an explicit base point is not on
// its curve).
CAsymmetric4145Params KeyParams(const ASN1SubjPubKeyInfo& info);

// A key pair of `usage` holding only the public key of the field and its
// parameters. A key that is no point of the curve fails with 40003.
CKeyPair PublicKeyPair(const ASN1SubjPubKeyInfo& info, std::uint32_t usage);

// The field for the public key of `pair`: algorithm "…3.1.2" for a normal basis,
// "…3.1.1" otherwise, with the parameters (named curve when the set names one,
// else explicit; dke always); the key compressed, least significant byte first.
ASN1SubjPubKeyInfo ToPublicKeyInfo(const CKeyPair& pair);

// The subject key identifier: GOST 34.311-95, under the S-box of the field's
// parameters, of the subjectPublicKey BIT STRING's bytes after the unused-bits
// octet (the complete DER of the OCTET STRING that carries the key). The
// parameters are read in the byte order of the field's own algorithm, whatever
// the certificate is signed with: only their S-box matters here, and a
// big-endian field read as little-endian would fail on its base point.
std::array<std::uint8_t, 32> SubjectKeyId(const ASN1SubjPubKeyInfo& info);

}  // namespace tavrpki::pkix

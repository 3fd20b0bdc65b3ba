// A DSTU 4145 public key as certificates, requests and the key-agreement key
// extension carry it:
//
//   SubjectPublicKeyInfo ::= SEQUENCE {
//     algorithm AlgorithmIdentifier,  -- "…3.1.1" or "…3.1.2" with the DSTU 4145 parameters
//     subjectPublicKey BIT STRING }   -- the DER of an OCTET STRING: the compressed point
#pragma once

#include <cstdint>

#include "asn1/x509/ASN1SubjPubKeyInfo.h"
#include "crypto/objects/CKeyPair.h"

namespace tavrpki {

// The public key of `pair` compressed on its curve (m bits, least significant
// byte first) with the pair's parameters and their algorithm identifier. A point
// not on the curve fails with 40003.
ASN1SubjPubKeyInfo SubjectPublicKeyInfoOf(const CKeyPair& pair);

// A key pair of `usage` holding the public key and parameters of `info` and no
// private key. Under an algorithm other than "…3.1.1" and "…3.1.2" the key and
// field-element octets are read in reverse (most significant first). Parameter
// failures as crypto/params/DstuParams.h says; a compressed key that is not on
// the curve fails with 40003.
CKeyPair PublicKeyPairOf(const ASN1SubjPubKeyInfo& info, std::uint32_t usage);

}  // namespace tavrpki

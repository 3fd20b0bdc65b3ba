// Signing and verifying a signed body (certificate, revocation list, request) with
// DSTU 4145-2002 over GOST 34.311-95.
//
// The bytes covered are exactly what the body's ISignable gives (as read, or as
// last written); they are hashed with the S-box of the signer's own parameter set
// (the core's default table when the set carries none).
//
// Signature octets: the algorithm identifiers "1.2.804.2.1.1.1.1.3.1.1" and
// "…3.1.2" carry the core's signature bytes as they are (r then s, least
// significant byte first); every other identifier, the reversed pair
// "…3.1.1.1.1" and "…3.1.2.1.1" among them, carries them reversed. This library
// writes only the first two.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "asn1/Blob.h"
#include "asn1/x509/ISignable.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/objects/CAsymmetric4145Params.h"
#include "crypto/objects/CKeyPair.h"

namespace tavrpki::pkix {

using BodyHash = std::array<std::uint8_t, dstu::kHashSize>;

// The algorithm a signer with these parameters writes: "…3.1.2" for a normal
// basis (k = j = l = 0), "…3.1.1" otherwise.
const char* SignatureAlgorithmOid(const CAsymmetric4145Params& signer);

// The hash S-box of a parameter set: null (the core's default table) when the set
// carries none; 40014 when it holds something other than a whole 128-entry table,
// so nothing reads past it.
const unsigned char* HashSBox(const CAsymmetric4145Params& params);

// GOST 34.311-95 of the body's signed bytes under the S-box of `params` (50036
// when the body holds none; 40014 when the S-box is no table).
BodyHash HashBody(const ISignable& body, const CAsymmetric4145Params& params);

// The signature octets of the body by the signing pair `signer` (usage 0), in the
// order the algorithm of SignatureAlgorithmOid(signer.GetParams()) stores them.
Blob SignBody(const ISignable& body, const CKeyPair& signer, const dstu::RandomSource& random);

// True when `signature` (as stored under `algorithmOid`) is a valid signature of
// the body under the public key of `signer` (usage 0). A signature that does not
// verify is false, not a failure.
bool VerifyBody(const ISignable& body, std::string_view algorithmOid, ByteView signature,
                const CKeyPair& signer);

}  // namespace tavrpki::pkix

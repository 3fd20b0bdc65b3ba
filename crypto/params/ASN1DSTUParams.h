// DSTU 4145 parameters as the AlgorithmIdentifier of a public key carries them.
//
//   DSTU4145Params ::= SEQUENCE {
//     curve  CHOICE { ecbinary ECBinary, namedCurve OBJECT IDENTIFIER },
//     dke    OCTET STRING OPTIONAL }   -- GOST 28147-89 S-box, 64 bytes packed
#pragma once

#include <cstdint>

#include "asn1/ASN1OID.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/ASN1Primitive.h"
#include "crypto/params/ECBinary.h"

namespace tavrpki {

class ASN1DSTUParams : public ASN1Primitive {
 public:
  enum Choice : std::uint32_t { kNotSet = 0, kNamedCurve = 1, kExplicitCurve = 2 };

  ASN1DSTUParams() : ASN1Primitive(kUniversal, true, 16) {}

  std::uint32_t choice = kNotSet;
  ASN1OID namedCurve;
  ECBinary explicitCurve;
  ASN1OctetString dke;  // empty: absent

  // No choice made: code 50030.
  void Encode(Blob& out) const override;
  // Not a SEQUENCE, or a first element that is neither ECBinary nor an OID: code
  // 50029. The object is unchanged on failure.
  void Decode(ByteView in) override;
};

}  // namespace tavrpki

// Explicit DSTU 4145 curve parameters as certificates carry them.
//
//   ECBinary ::= SEQUENCE {
//     version  [0] EXPLICIT INTEGER DEFAULT 0,
//     f        BinaryField,
//     a        INTEGER,               -- coefficient A, 0 or 1
//     b        OCTET STRING,          -- coefficient B, ceil(m/8) bytes
//     n        INTEGER,               -- order of the base point
//     bp       OCTET STRING }         -- compressed base point (NULL when absent)
//   BinaryField ::= SEQUENCE {
//     m        INTEGER,
//     poly     CHOICE { trinomial INTEGER,
//                       pentanomial SEQUENCE { k INTEGER, j INTEGER, l INTEGER } } OPTIONAL }
//                                     -- absent for an optimal normal basis
//
// b and bp hold the bytes as the certificate has them (least significant first
// under the usual algorithm identifiers); n is the INTEGER content, most
// significant first.
#pragma once

#include <cstdint>

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/ASN1Primitive.h"

namespace tavrpki {

class ECBinary : public ASN1Primitive {
 public:
  enum PolynomialType : std::uint32_t {
    kNotSet = 0,
    kNormalBasis = 2,  // BinaryField holds m only
    kTrinomial = 3,
    kPentanomial = 4,
  };

  ECBinary() : ASN1Primitive(kUniversal, true, 16) {}

  std::uint32_t version = 0;
  std::uint8_t a = 0;
  ASN1OctetString b;
  ASN1Integer n;
  ASN1OctetString bp;  // empty: written as NULL
  std::uint32_t m = 0;
  std::uint32_t trinomialK = 0;
  std::uint32_t pentanomialK = 0;
  std::uint32_t j = 0;
  std::uint32_t l = 0;
  std::uint32_t polynomialType = kNotSet;

  // The reduction exponent k of either polynomial form (0 for a normal basis).
  std::uint32_t K() const;

  // Polynomial type not set: code 50028.
  void Encode(Blob& out) const override;
  // A wrong identifier where the SEQUENCE, BinaryField, polynomial or bp belongs, an
  // A outside 0..1 or an m, k, j, l outside 1..65535: code 50029. Failures inside an
  // INTEGER or OCTET STRING surface with that type's message. The object is
  // unchanged on failure.
  void Decode(ByteView in) override;
};

}  // namespace tavrpki

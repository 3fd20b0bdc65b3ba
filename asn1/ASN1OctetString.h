// OCTET STRING. The identifier checked on reading is tag class × 64 + tag number,
// so setting class 2 and a number first reads [n] IMPLICIT OCTET STRING (80 for [0]);
// constructed encodings are refused.
#pragma once

#include "asn1/ASN1Primitive.h"

namespace tavrpki {

class ASN1OctetString : public ASN1Primitive {
 public:
  ASN1OctetString() : ASN1Primitive(kUniversal, false, 4) {}
  explicit ASN1OctetString(ByteView value) : ASN1OctetString() { SetValue(value); }

  void SetValue(ByteView value) { Blob::Assign(value); }
  const Blob& Value() const { return *this; }

  void Encode(Blob& out) const override;
  void Decode(ByteView in) override;
};

}  // namespace tavrpki

// BOOLEAN: one content octet, 00 false and anything else true (FF when written).
#pragma once

#include "asn1/ASN1Primitive.h"

namespace tavrpki {

class ASN1Bool : public ASN1Primitive {
 public:
  ASN1Bool();
  explicit ASN1Bool(bool value) : ASN1Bool() { SetValue(value); }

  void SetValue(bool value);
  // Empty content throws "Bool value not set".
  bool GetValue() const;

  // Empty content fails ("Bool value not set", wrapped).
  void Encode(Blob& out) const override;
  // The identifier must be the single octet equal to the tag number and the
  // length exactly 1.
  void Decode(ByteView in) override;
};

}  // namespace tavrpki

// PrintableString, and the base of the two time types. The content is the text
// without a NUL, taken as it stands (no character-set check).
#pragma once

#include "asn1/ASN1Primitive.h"
#include "asn1/String.h"

namespace tavrpki {

class ASN1PrintableString : public ASN1Primitive {
 public:
  ASN1PrintableString() : ASN1Primitive(kUniversal, false, 19) {}
  explicit ASN1PrintableString(const char* text) : ASN1PrintableString() { SetText(text); }

  void SetText(const char* text);
  // The content followed by a NUL.
  String GetText() const;
  // Accepts a universal, primitive element with tag 19, 12 or 22 (so UTF8String
  // and IA5String bytes too, unconverted); otherwise
  // "Буфер не є коректним друкованим рядком".
  void SetFromPrimitive(const ASN1Primitive& element);

  void Encode(Blob& out) const override;
  // The identifier must be the single octet equal to the tag number.
  void Decode(ByteView in) override;

 protected:
  ASN1PrintableString(std::uint32_t tagNumber) : ASN1Primitive(kUniversal, false, tagNumber) {}
};

}  // namespace tavrpki

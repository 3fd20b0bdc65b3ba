// OBJECT IDENTIFIER, exchanged as dotted-decimal text ("1.2.804.2.1.1.1").
#pragma once

#include <cstdint>

#include "asn1/ASN1Primitive.h"
#include "asn1/String.h"

namespace tavrpki {

class ASN1OID : public ASN1Primitive {
 public:
  ASN1OID() : ASN1Primitive(kUniversal, false, 6) {}
  explicit ASN1OID(const char* text) : ASN1OID() { SetText(text); }

  // Dotted decimal to sub-identifier octets. An empty text empties the OID. A
  // text without a dot, an empty or non-numeric component, a sign, or a component
  // above 32 bits throws "Invalid OID String" and leaves the OID unchanged.
  void SetText(const char* text);
  // Dotted decimal; empty content gives "". Sub-identifiers are read into 32 bits.
  String ToText() const;
  // Content octets below 0x80 plus one; empty content throws "OID буфер порожній".
  std::uint32_t ArcCount() const;
  // Arc `index` (0-based); past the last arc throws "OID індекс виходить за межі масиву".
  std::uint32_t Arc(std::uint32_t index) const;

  void Encode(Blob& out) const override;
  // The identifier must be the single octet 06.
  void Decode(ByteView in) override;
};

}  // namespace tavrpki

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
  // Dotted decimal; empty content gives "". Content that is not a whole list of
  // sub-identifiers (see ReadContent) throws "OID content is malformed".
  String ToText() const;
  // Content octets below 0x80 plus one; empty content throws "OID буфер порожній".
  std::uint32_t ArcCount() const;
  // Arc `index` (0-based); past the last arc throws "OID індекс виходить за межі масиву".
  std::uint32_t Arc(std::uint32_t index) const;

  void Encode(Blob& out) const override;
  // The identifier must be the single octet 06 and the content must pass
  // CheckContent; failures read "Error decoding OID: ..." and change nothing.
  void Decode(ByteView in) override;

  // Decode without a copy: the content of the OID element at the start of `in`,
  // checked as Decode checks it, as a view into `in`.
  static ByteView ReadContent(ByteView in);
  // Refuses ("OID content is malformed") content whose last sub-identifier is not
  // terminated (ff 80 80) or where an arc does not fit in 32 bits (the first
  // sub-identifier may carry up to 2^32 - 1 + 80, for arcs 2.(2^32 - 1)). Empty
  // content (an absent OID) passes. An arc never wraps.
  static void CheckContent(ByteView content);
};

}  // namespace tavrpki

// INTEGER: two's-complement content octets, most significant first.
//
//   Conversions to a 64-bit value read the content as an UNSIGNED big-endian
//   number (content FF is 255), and comparisons compare the octets as unsigned
//   magnitudes after left-padding with zeros: signs are never interpreted.
#pragma once

#include <compare>
#include <cstdint>

#include "asn1/ASN1Primitive.h"
#include "asn1/String.h"

namespace tavrpki {

class ASN1Integer : public ASN1Primitive {
 public:
  ASN1Integer() : ASN1Primitive(kUniversal, false, 2) {}
  explicit ASN1Integer(std::int64_t value) : ASN1Integer() { SetValue(value); }

  // Fewest octets that keep the value's sign; a negative value keeps all eight octets.
  void SetValue(std::int64_t value);
  // The content as an unsigned big-endian number; more than 8 octets throws code 50022.
  std::int64_t GetValue() const;
  // Content octets as they stand (big-endian, no normalisation).
  void SetBytes(ByteView bytes) { Blob::Assign(bytes); }
  const Blob& Bytes() const { return *this; }
  // Decimal for up to 8 octets, uppercase hexadecimal of the content otherwise.
  String ToText() const;
  // Requires tag class 0, primitive and this tag number, otherwise
  // "Буфер не є коректним кодованим цілим числом".
  void SetFromPrimitive(const ASN1Primitive& element);

  // -1, 0 or 1; an empty integer on either side throws code 50021.
  int Compare(const ASN1Integer& other) const;
  friend bool operator==(const ASN1Integer& a, const ASN1Integer& b) { return a.Compare(b) == 0; }
  friend auto operator<=>(const ASN1Integer& a, const ASN1Integer& b) { return a.Compare(b) <=> 0; }

  void Encode(Blob& out) const override;
  // The identifier must be the single octet equal to the tag number (universal class).
  void Decode(ByteView in) override;
};

}  // namespace tavrpki

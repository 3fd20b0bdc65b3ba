// BIT STRING: the content holds the bit bytes (first bit in bit 7 of the first
// byte); the unused-bits count of the last byte is a field of its own and is
// written as the first content octet. Reading follows OCTET STRING (class × 64 +
// number, so implicit context tags work); a zero-length encoding is refused.
#pragma once

#include <cstdint>

#include "asn1/ASN1Primitive.h"

namespace tavrpki {

class ASN1BitString : public ASN1Primitive {
 public:
  ASN1BitString() : ASN1Primitive(kUniversal, false, 3) {}

  // The first (bitLength + 7) / 8 bytes of `bytes` hold `bitLength` bits.
  void SetBits(ByteView bytes, std::uint32_t bitLength);
  std::uint32_t BitLength() const { return 8 * Size() - m_unusedBits; }
  void SetBytes(ByteView bytes, std::uint8_t unusedBits);
  const Blob& Bytes() const { return *this; }
  std::uint8_t UnusedBits() const { return m_unusedBits; }
  void SetUnusedBits(std::uint8_t unusedBits) { m_unusedBits = unusedBits; }

  // Content = unused-bits octet followed by the bytes.
  ASN1Primitive ToPrimitive() const override;
  void Encode(Blob& out) const override;
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  std::uint8_t m_unusedBits = 0;
};

}  // namespace tavrpki

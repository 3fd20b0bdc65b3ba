// A number or bit string of a given length in bits, held in (bits + 7) / 8 bytes,
// least significant byte first (bit 0 of byte 0 is bit 0 of the number).
//
// Binary form: item 0 the bit length (4 bytes), item 1 the bytes. Text form: the
// tag-value fields "LengthInBits" (decimal) and "BlobData" (hexadecimal bytes).
// Both readers require exactly (bits + 7) / 8 bytes, so the invariant always holds.
#pragma once

#include <cstdint>
#include <string_view>

#include "asn1/Blob.h"
#include "crypto/objects/CBinaryData.h"

namespace tavrpki {

class CBitBlob : public Blob, public CBinaryData {
 public:
  CBitBlob() = default;
  // A zeroed value of `bitLength` bits.
  explicit CBitBlob(std::uint32_t bitLength) { SetBitLength(bitLength); }
  // The number written in `hex` (most significant digit first; 0-9, A-F, a-f) as a
  // value of `bitLength` bits. Another character throws the invalid-character hex
  // message; a non-zero digit that does not fit throws the bad-value hex message.
  CBitBlob(std::string_view hex, std::uint32_t bitLength);
  // `bytes`, least significant first, as a value of `bitLength` bits (bytes beyond
  // the length are ignored, missing ones are zero).
  CBitBlob(ByteView bytes, std::uint32_t bitLength);
  CBitBlob(const CBitBlob&) = default;
  CBitBlob(CBitBlob&&) noexcept = default;
  CBitBlob& operator=(const CBitBlob&) = default;
  CBitBlob& operator=(CBitBlob&&) noexcept = default;
  ~CBitBlob() override = default;

  // Grows or shrinks to (n + 7) / 8 bytes, keeping the low bytes; new bytes are zero.
  void SetBitLength(std::uint32_t n);
  std::uint32_t GetBitLength() const { return m_bitLength; }
  // Bit `i` (byte i / 8, mask 1 << i % 8); past the bytes throws "Blob: out of buffer".
  void SetBit(std::uint32_t i, bool value);
  bool GetBit(std::uint32_t i) const;

  Blob& ToBinary(Blob& out) const override;
  void FromBinary(const Blob& in) override;
  // Reads from a view (nested readers take items without copying them).
  void FromItems(ByteView in);

  void Serialize(String& out) const override;
  void Deserialize(const String& in) override;

  // Zeroes the whole storage (for values that held secrets).
  void Wipe();

  friend bool operator==(const CBitBlob& a, const CBitBlob& b) {
    return a.m_bitLength == b.m_bitLength && a.Equals(b);
  }

 private:
  std::uint32_t m_bitLength = 0;
};

}  // namespace tavrpki

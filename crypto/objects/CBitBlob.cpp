#include "crypto/objects/CBitBlob.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "asn1/CodecMessages.h"
#include "asn1/Hex.h"
#include "asn1/String.h"
#include "gostcrypto/Wipe.h"
#include "crypto/objects/CBinaryDataBuilder.h"
#include "crypto/objects/TagValueEncoder.h"

namespace tavrpki {
namespace {

constexpr const char* kLengthField = "LengthInBits";
constexpr const char* kDataField = "BlobData";

std::uint32_t ByteLength(std::uint32_t bits) { return static_cast<std::uint32_t>((std::uint64_t{bits} + 7) / 8); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decimal conversion as the text form has always done it: leading digits, the
// rest ignored; values beyond 32 bits saturate (and then fail the size check).
std::uint32_t Decimal(const char* text) {
  std::uint64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + static_cast<std::uint64_t>(*text - '0');
    if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

CBitBlob::CBitBlob(std::string_view hex, std::uint32_t bitLength) {
  SetBitLength(bitLength);
  // The last character is the low nibble of byte 0.
  std::uint64_t nibble = 0;
  for (auto it = hex.rbegin(); it != hex.rend(); ++it, ++nibble) {
    const int digit = HexDigit(*it);
    if (digit < 0) Raise(kMsgHexBadCharacter);
    if (nibble / 2 >= Size()) {
      if (digit != 0) Raise(kMsgHexBadOutput);
      continue;
    }
    *At(static_cast<std::uint32_t>(nibble / 2)) |= static_cast<std::uint8_t>(digit << (4 * (nibble % 2)));
  }
}

CBitBlob::CBitBlob(ByteView bytes, std::uint32_t bitLength) {
  SetBitLength(bitLength);
  const std::size_t n = std::min<std::size_t>(bytes.size(), Size());
  if (n != 0) std::memcpy(Data(), bytes.data(), n);
}

void CBitBlob::SetBitLength(std::uint32_t n) {
  const std::uint32_t bytes = ByteLength(n);
  const std::uint32_t old = Size();
  Grow(bytes);
  if (bytes > old) std::memset(Data() + old, 0, bytes - old);
  m_bitLength = n;
}

void CBitBlob::SetBit(std::uint32_t i, bool value) {
  if (i / 8 >= Size()) Raise(kMsgBlobOutOfBuffer);
  const auto mask = static_cast<std::uint8_t>(1u << (i % 8));
  if (value)
    Data()[i / 8] |= mask;
  else
    Data()[i / 8] &= static_cast<std::uint8_t>(~mask);
}

bool CBitBlob::GetBit(std::uint32_t i) const {
  if (i / 8 >= Size()) Raise(kMsgBlobOutOfBuffer);
  return (Data()[i / 8] >> (i % 8)) & 1;
}

Blob& CBitBlob::ToBinary(Blob& out) const {
  CBinaryDataBuilder items;
  items.Reserve(CBinaryDataBuilder::ItemSize(4) + CBinaryDataBuilder::ItemSize(Size()));
  items.AddU32(m_bitLength);
  items.AddItem(View());
  return items.ToBinary(out);
}

void CBitBlob::FromBinary(const Blob& in) { FromItems(in.View()); }

void CBitBlob::FromItems(ByteView in) {
  const BinaryItems items(in);
  const std::uint32_t bits = items.U32(0);
  const ByteView bytes = items.Item(1);
  if (bytes.size() != ByteLength(bits)) Raise(kMsgBlobOutOfBuffer);
  Blob::Assign(bytes);
  m_bitLength = bits;
}

void CBitBlob::Serialize(String& out) const {
  TagValueEncoder fields;
  fields.SetField(kLengthField, String::Formatted("%d", static_cast<int>(m_bitLength)));
  fields.SetField(kDataField, HexEncode(View()).c_str());
  fields.Serialize(out);
}

void CBitBlob::Deserialize(const String& in) {
  TagValueEncoder fields;
  fields.Deserialize(in);
  const std::uint32_t bits = Decimal(fields.GetField(kLengthField).CStr());
  Blob bytes;
  bytes.Deserialize(fields.GetField(kDataField));
  if (bytes.Size() != ByteLength(bits)) Raise(kMsgBlobOutOfBuffer);
  Blob::Assign(bytes);
  m_bitLength = bits;
}

void CBitBlob::Wipe() { SecureWipe(Data(), Capacity()); }

}  // namespace tavrpki

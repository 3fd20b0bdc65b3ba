#include "asn1/ASN1BitString.h"

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "asn1/Wrap.h"

namespace tavrpki {

void ASN1BitString::SetBits(ByteView bytes, std::uint32_t bitLength) {
  const std::uint32_t size = bitLength / 8 + (bitLength % 8 != 0 ? 1 : 0);
  if (bytes.size() < size) Raise(kMsgInsufficientBlobSize);
  Blob::Assign(bytes.first(size));
  m_unusedBits = static_cast<std::uint8_t>(8 * size - bitLength);
}

void ASN1BitString::SetBytes(ByteView bytes, std::uint8_t unusedBits) {
  Blob::Assign(bytes);
  m_unusedBits = unusedBits;
}

ASN1Primitive ASN1BitString::ToPrimitive() const {
  ASN1Primitive element(TagClass(), IsConstructed(), TagNumber());
  element.Reserve(Size() + 1);
  element.Append(ByteView(&m_unusedBits, 1));
  element.Append(View());
  return element;
}

void ASN1BitString::Encode(Blob& out) const {
  Wrapped(kMsgEncodeBitString, [&] {
    der::WriteElement(out, TagClass(), IsConstructed(), TagNumber(), ByteView(&m_unusedBits, 1), View());
  });
}

void ASN1BitString::Decode(ByteView in) {
  Wrapped(kMsgDecodeBitString, [&] {
    const std::uint32_t identifier = TagClass() * 64u + TagNumber();
    const ByteView content = der::ReadContentOf(in, identifier, kMsgNotBitString);
    if (content.empty()) Raise(kMsgBitStringNoUnusedBits);
    // At most 7 unused bits, and none without a byte to hold them: anything else
    // would make the bit length 8 * size - unusedBits wrap around.
    if (content[0] > 7 || (content[0] != 0 && content.size() == 1)) Raise(kMsgNotBitString);
    Blob::Assign(content.subspan(1));
    m_unusedBits = content[0];
  });
}

std::uint32_t ASN1BitString::EncodedSize() const {
  return der::IdentifierSize(TagNumber()) + der::LengthSize(Size() + 1ull) + Size() + 1;
}

}  // namespace tavrpki

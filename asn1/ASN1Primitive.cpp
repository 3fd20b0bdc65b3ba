#include "asn1/ASN1Primitive.h"

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "asn1/Wrap.h"

namespace tavrpki {

std::uint8_t ASN1Primitive::IdentifierOctet() const {
  return static_cast<std::uint8_t>(m_tagClass << 6 | (m_constructed ? 0x20 : 0) |
                                   (m_tagNumber < 31 ? m_tagNumber : 0x1F));
}

void ASN1Primitive::AssignElement(const ASN1Primitive& other) {
  Blob::Assign(other);
  m_tagClass = other.m_tagClass;
  m_constructed = other.m_constructed;
  m_tagNumber = other.m_tagNumber;
}

void ASN1Primitive::Encode(Blob& out) const {
  Wrapped(kMsgEncodePrimitive,
          [&] { der::WriteElement(out, m_tagClass, m_constructed, m_tagNumber, {}, View()); });
}

void ASN1Primitive::Decode(ByteView in) {
  Wrapped(kMsgDecodePrimitive, [&] {
    const der::Header header = der::ReadHeader(in);
    Blob::Assign(der::Content(in, header));
    if (header.identifier.size() == 1) {
      const std::uint8_t octet = header.identifier[0];
      m_tagClass = static_cast<std::uint8_t>(octet >> 6);
      m_constructed = ((octet >> 5) & 1) != 0;
      m_tagNumber = octet & 0x1Fu;
    }
  });
}

std::uint32_t ASN1Primitive::EncodedSize() const {
  return der::IdentifierSize(m_tagNumber) + der::LengthSize(Size()) + Size();
}

Blob ASN1Primitive::IdentifierOctets() const {
  Blob out;
  der::WriteIdentifier(out.ResizeAndGet(der::IdentifierSize(m_tagNumber)),
                       m_tagClass, m_constructed, m_tagNumber);
  return out;
}

Blob ASN1Primitive::LengthOctets() const {
  Blob out;
  der::WriteLength(out.ResizeAndGet(der::LengthSize(Size())), Size());
  return out;
}

void ASN1Primitive::AppendChild(const ASN1Any& child) {
  // One scratch buffer per thread: composing a structure of many children then
  // allocates only for the growing content, not once per child. A child that
  // composes its own children meanwhile gets buffers of its own.
  thread_local Blob scratch;
  thread_local bool busy = false;
  if (busy) {
    Blob encoded;
    child.Encode(encoded);
    Blob::Append(encoded);
    return;
  }
  busy = true;
  try {
    child.Encode(scratch);
  } catch (...) {
    busy = false;
    throw;
  }
  busy = false;
  Blob::Append(scratch);
}

}  // namespace tavrpki

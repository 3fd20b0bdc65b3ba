#include "asn1/ASN1Bool.h"

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "asn1/Wrap.h"

namespace tavrpki {

ASN1Bool::ASN1Bool() : ASN1Primitive(kUniversal, false, 1) { SetValue(false); }

void ASN1Bool::SetValue(bool value) {
  const std::uint8_t octet = value ? 0xFF : 0x00;
  Blob::Assign(ByteView(&octet, 1));
}

bool ASN1Bool::GetValue() const {
  if (IsEmpty()) Raise(kMsgBoolNotSet);
  return *Data() != 0;
}

void ASN1Bool::Encode(Blob& out) const {
  Wrapped(kMsgEncodeBool, [&] {
    if (IsEmpty()) Raise(kMsgBoolNotSet);
    ASN1Primitive::Encode(out);
  });
}

void ASN1Bool::Decode(ByteView in) {
  Wrapped(kMsgDecodeBool, [&] {
    const ByteView identifier = der::ReadIdentifierOctets(in);
    if (identifier.size() != 1 || identifier[0] != TagNumber()) Raise(kMsgNotBool);
    der::Header header;
    header.identifier = identifier;
    header.lengthOctets = der::ReadLengthOctets(in, 1);
    header.contentLength = der::DecodeLength(header.lengthOctets);
    if (header.contentLength != 1) Raise(kMsgBoolBadLength);
    Blob::Assign(der::Content(in, header));
  });
}

}  // namespace tavrpki

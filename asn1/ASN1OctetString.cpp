#include "asn1/ASN1OctetString.h"

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "asn1/Wrap.h"

namespace tavrpki {

void ASN1OctetString::Encode(Blob& out) const {
  Wrapped(kMsgEncodeOctetString, [&] { ASN1Primitive::Encode(out); });
}

void ASN1OctetString::Decode(ByteView in) {
  Wrapped(kMsgDecodeOctetString, [&] {
    const std::uint32_t identifier = TagClass() * 64u + TagNumber();
    Blob::Assign(der::ReadContentOf(in, identifier, kMsgNotOctetString));
  });
}

}  // namespace tavrpki

#include "asn1/ASN1PrintableString.h"

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "asn1/Wrap.h"

namespace tavrpki {

void ASN1PrintableString::SetText(const char* text) {
  Blob::Assign(String::CharsOf(text));
}

String ASN1PrintableString::GetText() const { return String::FromBytes(View()); }

void ASN1PrintableString::SetFromPrimitive(const ASN1Primitive& element) {
  const std::uint32_t tag = element.TagNumber();
  if (element.TagClass() != kUniversal || element.IsConstructed() || (tag != 19 && tag != 12 && tag != 22))
    Raise(kMsgNotPrintableString);
  Blob::Assign(element);
}

void ASN1PrintableString::Encode(Blob& out) const {
  Wrapped(kMsgEncodePrintableString, [&] { ASN1Primitive::Encode(out); });
}

void ASN1PrintableString::Decode(ByteView in) {
  Wrapped(kMsgDecodePrintableString,
          [&] { Blob::Assign(der::ReadContentOf(in, TagNumber(), kMsgNotPrintableString)); });
}

}  // namespace tavrpki

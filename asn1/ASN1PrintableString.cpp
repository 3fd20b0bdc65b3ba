#include "asn1/ASN1PrintableString.h"

#include <cstring>

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "asn1/Wrap.h"

namespace tavrpki {

void ASN1PrintableString::SetText(const char* text) {
  Blob::Assign(ByteView(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)));
}

String ASN1PrintableString::GetText() const {
  String text;
  std::uint8_t* chars = text.ResizeAndGet(Size() + 1);
  if (!IsEmpty()) std::memcpy(chars, Data(), Size());
  chars[Size()] = 0;
  return text;
}

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

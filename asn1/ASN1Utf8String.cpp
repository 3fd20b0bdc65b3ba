#include "asn1/ASN1Utf8String.h"

#include <string>

#include "asn1/CodecMessages.h"
#include "core/Catalogue.h"
#include "platform/CodePage.h"

namespace tavrpki {
namespace {

std::string_view Chars(ByteView bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

ByteView Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

void ASN1Utf8String::SetText(const char* text) {
  Blob::Assign(String::CharsOf(text));
}

String ASN1Utf8String::GetText() const { return String::FromBytes(View()); }

void ASN1Utf8String::SetFromPrimitive(const ASN1Primitive& element) {
  if (element.TagClass() != kUniversal || element.IsConstructed() || element.TagNumber() != 12)
    Raise(kMsgNotUtf8String);
  std::string ansi;
  if (const int error = platform::Utf8ToCp1251(Chars(element.View()), ansi); error != 0)
    Raise(kMsgToUnicodeFailed, error);
  Blob::Assign(Bytes(ansi));
}

ASN1Primitive ASN1Utf8String::ToPrimitive() const {
  std::string utf8;
  if (const int error = platform::Cp1251ToUtf8(Chars(View()), utf8); error != 0)
    Raise(kMsgToUtf8Failed, error);
  ASN1Primitive element(TagClass(), IsConstructed(), TagNumber());
  element.Assign(Bytes(utf8));
  return element;
}

void ASN1Utf8String::Encode(Blob& out) const { ToPrimitive().Encode(out); }

std::uint32_t ASN1Utf8String::EncodedSize() const { return ToPrimitive().EncodedSize(); }

}  // namespace tavrpki

#include "asn1/ASN1AttrTypeValue.h"

#include "asn1/Der.h"

namespace tavrpki {
namespace {

constexpr std::uint8_t kNull[] = {0x05, 0x00};

}  // namespace

ASN1AttrTypeValue::ASN1AttrTypeValue(const char* oid, const ASN1Primitive& value) : ASN1AttrTypeValue() {
  m_type.SetText(oid);
  SetValue(value);
}

ASN1Primitive ASN1AttrTypeValue::Sequence() const {
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  sequence.AppendChild(m_type);
  if (!m_value.IsEmpty())
    sequence.AppendChild(m_value);
  else if (m_value.TagNumber() == 5)
    sequence.Append(ByteView(kNull));
  return sequence;
}

void ASN1AttrTypeValue::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1AttrTypeValue::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1AttrTypeValue::Decode(ByteView in) {
  const der::Header header = der::ReadHeader(in);
  DerReader content(der::Content(in, header));
  ASN1OID type;
  content.Read(type);
  ASN1Primitive value;
  if (content.HasMore()) content.Read(value);
  m_type = std::move(type);
  m_value = std::move(value);
}

}  // namespace tavrpki

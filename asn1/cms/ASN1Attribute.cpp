#include "asn1/cms/ASN1Attribute.h"

#include "asn1/Der.h"

namespace tavrpki {

ASN1Attribute::ASN1Attribute(const char* oid, const ASN1Primitive& value) : ASN1Attribute() {
  m_attrType.SetText(oid);
  AddValue(value);
}

String ASN1Attribute::TypeText() const { return HasType() ? m_attrType.ToText() : String(""); }

const ASN1Primitive& ASN1Attribute::GetFirstValue() const {
  if (m_attrValues.empty()) Raise(kMsgAttributeValueEmpty);
  return m_attrValues.front();
}

ASN1Primitive ASN1Attribute::Sequence() const {
  if (!HasType()) Raise(kMsgAttributeTypeEmpty);
  if (m_attrValues.empty()) Raise(kMsgAttributeValueEmpty);
  ASN1Primitive values(kUniversal, true, 17);
  for (const ASN1Primitive& value : m_attrValues) values.AppendChild(value);  // insertion order, not DER-sorted
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  sequence.AppendChild(m_attrType);
  sequence.AppendChild(values);
  return sequence;
}

void ASN1Attribute::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1Attribute::EncodedSize() const { return Sequence().EncodedSize(); }

// Attribute ::= SEQUENCE { attrType OBJECT IDENTIFIER, attrValues SET OF AttributeValue }
void ASN1Attribute::Decode(ByteView in) {
  // The outer identifier is not checked: attributes sit in SEQUENCEs, SETs and
  // [0] lists alike, and each of those readers checks its own wrapper.
  DerReader fields(der::Content(in, der::ReadHeader(in)));
  ASN1OID attrType;
  fields.Read(attrType);
  std::vector<ASN1Primitive> attrValues;
  if (fields.HasMore() && fields.PeekIdentifier() == 0x31) {
    // Only the SET's identifier and length are stepped over; its values are read
    // up to the end of the attribute, so a SET length that disagrees with the
    // attribute's is not an error here.
    const der::Header set = der::ReadHeader(fields.Rest());
    DerReader values(fields.Rest().subspan(set.Size()));
    while (values.HasMore()) values.Read(attrValues.emplace_back());
  } else {
    // A value written without its SET is taken as the only value.
    fields.Read(attrValues.emplace_back());
  }
  m_attrType = std::move(attrType);
  m_attrValues = std::move(attrValues);
}

}  // namespace tavrpki

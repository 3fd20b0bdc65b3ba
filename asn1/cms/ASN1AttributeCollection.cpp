#include "asn1/cms/ASN1AttributeCollection.h"

#include <algorithm>

#include "asn1/Der.h"
#include "core/Catalogue.h"

namespace tavrpki {

void ASN1AttributeCollection::AddAttribute(const ASN1Attribute& attribute) {
  const String type = attribute.TypeText();
  ASN1Attribute copy(attribute);  // `attribute` may be one of ours
  std::erase_if(m_attributes, [&](const ASN1Attribute& held) { return held.TypeText().Equals(type); });
  m_attributes.push_back(std::move(copy));
}

ASN1Primitive ASN1AttributeCollection::Sequence() const {
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  for (const ASN1Attribute& attribute : m_attributes) sequence.AppendChild(attribute);
  return sequence;
}

void ASN1AttributeCollection::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1AttributeCollection::EncodedSize() const { return Sequence().EncodedSize(); }

// Attributes ::= SEQUENCE OF Attribute
void ASN1AttributeCollection::Decode(ByteView in) {
  const der::Header header = der::ReadHeader(in);
  // Only the tag number is checked: class and constructed bit are not.
  if (header.TagNumber() != 16) Raise(kMsgBadAttributeCollection);
  DerReader list(der::Content(in, header));
  std::vector<ASN1Attribute> attributes;
  while (list.HasMore()) list.Read(attributes.emplace_back());
  m_attributes = std::move(attributes);
}

}  // namespace tavrpki

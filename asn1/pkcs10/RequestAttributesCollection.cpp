#include "asn1/pkcs10/RequestAttributesCollection.h"

#include "core/Catalogue.h"

namespace tavrpki {

const ASN1Attribute& RequestAttributesCollection::Get(std::uint32_t index) const {
  if (m_attributes.empty()) Raise(kMsgRequestAttributesEmpty);
  if (index >= m_attributes.size()) Raise(kMsgRequestAttributeNotFound);
  return m_attributes[index];
}

const ASN1Attribute& RequestAttributesCollection::Find(const char* oid) const {
  if (m_attributes.empty()) Raise(kMsgRequestAttributesEmpty);
  ASN1OID wanted;
  wanted.SetText(oid);
  for (const ASN1Attribute& attribute : m_attributes)
    if (attribute.AttrType().Equals(wanted)) return attribute;
  Raise(kMsgRequestAttributeNotFound);
}

}  // namespace tavrpki

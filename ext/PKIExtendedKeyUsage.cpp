#include "ext/PKIExtendedKeyUsage.h"

#include "asn1/ASN1Utf8String.h"
#include "asn1/x509/ExtensionValues.h"
#include "ext/ExtensionOids.h"
#include "ext/TextForms.h"
#include "ext/ValueForms.h"

namespace tavrpki {

PKIExtendedKeyUsage::PKIExtendedKeyUsage() : PKIEntityBase(kOidExtendedKeyUsage, 0) {}

ASN1Attribute PKIExtendedKeyUsage::ToAttribute() const {
  return MakeAttribute(ASN1Utf8String(ListText(m_items).CStr()));
}

// An item that is not a dotted OID fails here ("Invalid OID String").
ASN1CertExtension PKIExtendedKeyUsage::ToExtension() const {
  ASN1ExtKeyUsage value;
  for (const String& item : m_items) value.Items().emplace_back(item.CStr());
  return MakeExtension(value);
}

void PKIExtendedKeyUsage::FromAttribute(const ASN1Attribute& attribute) {
  m_items = ParseListText(ext::TextOf(attribute.GetFirstValue()).CStr());
}

void PKIExtendedKeyUsage::FromExtension(const ASN1CertExtension& extension) {
  ASN1ExtKeyUsage value;
  extension.DecodeValue(value);
  std::vector<String> items;
  for (const ASN1OID& purpose : value.Items()) items.push_back(purpose.ToText());
  m_items = std::move(items);
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

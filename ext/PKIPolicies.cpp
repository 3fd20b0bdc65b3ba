#include "ext/PKIPolicies.h"

#include "asn1/ASN1Utf8String.h"
#include "asn1/x509/ExtensionValues.h"
#include "ext/ExtensionOids.h"
#include "ext/TextForms.h"
#include "ext/ValueForms.h"

namespace tavrpki {

PKIPolicies::PKIPolicies() : PKIEntityBase(kOidCertificatePolicies, 0) {}

ASN1Attribute PKIPolicies::ToAttribute() const { return MakeAttribute(ASN1Utf8String(ListText(m_items).CStr())); }

// One element per item holding only the OID; an item that is not a dotted OID
// fails here ("Invalid OID String").
ASN1CertExtension PKIPolicies::ToExtension() const {
  ASN1CertPolicies value;
  for (const String& item : m_items) value.Items().emplace_back(item.CStr());
  return MakeExtension(value);
}

void PKIPolicies::FromAttribute(const ASN1Attribute& attribute) {
  m_items = ParseListText(ext::TextOf(attribute.GetFirstValue()).CStr());
}

void PKIPolicies::FromExtension(const ASN1CertExtension& extension) {
  ASN1CertPolicies value;
  extension.DecodeValue(value);
  std::vector<String> items;
  for (const ASN1AttrTypeValue& element : value.Items()) items.push_back(element.TypeText());
  m_items = std::move(items);
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

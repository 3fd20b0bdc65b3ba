#include "ext/PKIPermissions.h"

#include "asn1/ASN1Utf8String.h"
#include "core/OidTable.h"
#include "ext/TextForms.h"
#include "ext/ValueForms.h"

namespace tavrpki {

PKIPermissions::PKIPermissions() : PKIEntityBase(GetOidRoot3().c_str(), 0) {}

ASN1Attribute PKIPermissions::ToAttribute() const { return MakeAttribute(ASN1Utf8String(ListText(m_items).CStr())); }

ASN1CertExtension PKIPermissions::ToExtension() const {
  return MakeExtension(ASN1Utf8String(ListText(m_items).CStr()));
}

void PKIPermissions::FromAttribute(const ASN1Attribute& attribute) {
  std::vector<String> items = ParseListText(ext::TextOf(attribute.GetFirstValue()).CStr());
  m_oid = attribute.TypeText();
  m_items = std::move(items);
}

void PKIPermissions::FromExtension(const ASN1CertExtension& extension) {
  std::vector<String> items = ParseListText(ext::TextOf(ext::ValueElementOf(extension)).CStr());
  m_oid = extension.OidText();
  m_items = std::move(items);
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

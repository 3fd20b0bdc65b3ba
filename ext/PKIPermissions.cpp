#include "ext/PKIPermissions.h"

#include <utility>

#include "asn1/ASN1Utf8String.h"
#include "core/OidTable.h"
#include "ext/TextForms.h"
#include "ext/ValueForms.h"

namespace tavrpki {

PKIPermissions::PKIPermissions() : PKIListEntity(GetOidRoot3().c_str(), 0) {}

ASN1CertExtension PKIPermissions::ToExtension() const {
  return MakeExtension(ASN1Utf8String(ListText(m_items).CStr()));
}

void PKIPermissions::FromAttribute(const ASN1Attribute& attribute) {
  String oid = attribute.TypeText();
  PKIListEntity::FromAttribute(attribute);
  m_oid = std::move(oid);
}

void PKIPermissions::FromExtension(const ASN1CertExtension& extension) {
  std::vector<String> items = ParseListText(ext::TextOf(ext::ValueElementOf(extension)).CStr());
  m_oid = extension.OidText();
  m_items = std::move(items);
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

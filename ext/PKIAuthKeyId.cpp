#include "ext/PKIAuthKeyId.h"

#include "asn1/x509/ExtensionValues.h"
#include "ext/ExtensionOids.h"

namespace tavrpki {

PKIAuthKeyId::PKIAuthKeyId() : PKIEntityBase(kOidAuthorityKeyIdentifier, 0) {}

ASN1Attribute PKIAuthKeyId::ToAttribute() const { return ASN1Attribute(); }

ASN1CertExtension PKIAuthKeyId::ToExtension() const {
  ASN1AuthKeyID value;
  value.SetKeyIdentifier(m_keyId);
  value.AuthorityCertSerialNumber() = m_serialNumber;
  return MakeExtension(value);
}

void PKIAuthKeyId::FromAttribute(const ASN1Attribute&) {}

void PKIAuthKeyId::FromExtension(const ASN1CertExtension& extension) {
  ASN1AuthKeyID value;
  extension.DecodeValue(value);
  m_keyId.Assign(value.KeyIdentifier());
  m_serialNumber = value.AuthorityCertSerialNumber();
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

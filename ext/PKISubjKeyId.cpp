#include "ext/PKISubjKeyId.h"

#include "asn1/ASN1OctetString.h"
#include "ext/ExtensionOids.h"

namespace tavrpki {

PKISubjKeyId::PKISubjKeyId() : PKIEntityBase(kOidSubjectKeyIdentifier, 0) {}

// Requests do not ask for a key identifier: the CA computes it.
ASN1Attribute PKISubjKeyId::ToAttribute() const { return ASN1Attribute(); }

ASN1CertExtension PKISubjKeyId::ToExtension() const { return MakeExtension(ASN1OctetString(m_keyId)); }

void PKISubjKeyId::FromAttribute(const ASN1Attribute&) {}

//   SubjectKeyIdentifier ::= KeyIdentifier ::= OCTET STRING
void PKISubjKeyId::FromExtension(const ASN1CertExtension& extension) {
  ASN1OctetString keyId;
  extension.DecodeValue(keyId);
  m_keyId.Assign(keyId.Value());
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

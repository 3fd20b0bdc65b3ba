#include "ext/PKIAuthorityInfo.h"

#include "asn1/x509/ExtensionValues.h"
#include "ext/ExtensionOids.h"
#include "ext/HandlerMessages.h"

namespace tavrpki {

PKIAuthorityInfo::PKIAuthorityInfo() : PKIEntityBase(kOidAuthorityInfoAccess, 0) {}

ASN1Attribute PKIAuthorityInfo::ToAttribute() const { Raise(kMsgFormNotImplemented); }

ASN1CertExtension PKIAuthorityInfo::ToExtension() const {
  ASN1AuthInfoAccess value;
  value.SetFirstUrl(m_firstUrl.CStr());
  value.SetSecondUrl(m_secondUrl.CStr());
  return MakeExtension(value);
}

void PKIAuthorityInfo::FromAttribute(const ASN1Attribute&) { Raise(kMsgFormNotImplemented); }

void PKIAuthorityInfo::FromExtension(const ASN1CertExtension& extension) {
  ASN1AuthInfoAccess value;
  extension.DecodeValue(value);
  m_firstUrl = value.FirstUrl();
  m_secondUrl = value.SecondUrl();
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

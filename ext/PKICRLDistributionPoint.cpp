#include "ext/PKICRLDistributionPoint.h"

#include "asn1/x509/ExtensionValues.h"
#include "ext/HandlerMessages.h"

namespace tavrpki {

PKICRLDistributionPoint::PKICRLDistributionPoint(const char* oid) : PKIEntityBase(oid, 0) {}

ASN1Attribute PKICRLDistributionPoint::ToAttribute() const { Raise(kMsgFormNotImplemented); }

ASN1CertExtension PKICRLDistributionPoint::ToExtension() const {
  ASN1DistributionPoint value;
  value.Urls() = m_urls;
  return MakeExtension(value);
}

void PKICRLDistributionPoint::FromAttribute(const ASN1Attribute&) { Raise(kMsgFormNotImplemented); }

void PKICRLDistributionPoint::FromExtension(const ASN1CertExtension& extension) {
  ASN1DistributionPoint value;
  extension.DecodeValue(value);
  m_urls = value.Urls();
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

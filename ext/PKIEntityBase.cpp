#include "ext/PKIEntityBase.h"

#include "ext/HandlerMessages.h"

namespace tavrpki {

ASN1Attribute PKIEntityBase::ToAttribute() const { Raise(kMsgBaseNotImplemented); }

ASN1CertExtension PKIEntityBase::ToExtension() const { Raise(kMsgBaseNotImplemented); }

void PKIEntityBase::FromAttribute(const ASN1Attribute&) { Raise(kMsgBaseNotImplemented); }

void PKIEntityBase::FromExtension(const ASN1CertExtension&) { Raise(kMsgBaseNotImplemented); }

ASN1Attribute PKIEntityBase::MakeAttribute(const ASN1Primitive& value) const {
  return ASN1Attribute(m_oid.CStr(), value);
}

ASN1CertExtension PKIEntityBase::MakeExtension(const ASN1Any& value) const {
  return ASN1CertExtension(m_oid.CStr(), m_critical != 0, value);
}

}  // namespace tavrpki

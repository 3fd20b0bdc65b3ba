#include "ext/PKIDeltaCRLIndicator.h"

#include "ext/ExtensionOids.h"
#include "ext/HandlerMessages.h"

namespace tavrpki {

PKIDeltaCRLIndicator::PKIDeltaCRLIndicator() : PKIEntityBase(kOidDeltaCrlIndicator, 1) {}

ASN1Attribute PKIDeltaCRLIndicator::ToAttribute() const { Raise(kMsgFormNotImplemented); }

ASN1CertExtension PKIDeltaCRLIndicator::ToExtension() const { return MakeExtension(m_baseCrlNumber); }

void PKIDeltaCRLIndicator::FromAttribute(const ASN1Attribute&) { Raise(kMsgFormNotImplemented); }

//   BaseCRLNumber ::= CRLNumber ::= INTEGER (0..MAX)
void PKIDeltaCRLIndicator::FromExtension(const ASN1CertExtension& extension) {
  ASN1Integer number;
  extension.DecodeValue(number);
  m_baseCrlNumber = number;
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

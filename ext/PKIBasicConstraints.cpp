#include "ext/PKIBasicConstraints.h"

#include "asn1/ASN1Utf8String.h"
#include "asn1/x509/ExtensionValues.h"
#include "ext/ExtensionOids.h"
#include "ext/TextForms.h"
#include "ext/ValueForms.h"

namespace tavrpki {

PKIBasicConstraints::PKIBasicConstraints() : PKIEntityBase(kOidBasicConstraints, 1) {}

ASN1Attribute PKIBasicConstraints::ToAttribute() const {
  return MakeAttribute(ASN1Utf8String(BasicConstraintsText(m_cA, m_pathLenConstraint).CStr()));
}

ASN1CertExtension PKIBasicConstraints::ToExtension() const {
  ASN1BasicConstriants value;
  value.SetCA(m_cA != 0);
  value.SetPathLenConstraint(m_pathLenConstraint);
  return MakeExtension(value);
}

void PKIBasicConstraints::FromAttribute(const ASN1Attribute& attribute) {
  const String text = ext::TextOf(attribute.GetFirstValue());
  ApplyBasicConstraintsText(text.CStr(), m_cA, m_pathLenConstraint);
}

void PKIBasicConstraints::FromExtension(const ASN1CertExtension& extension) {
  ASN1BasicConstriants value;
  extension.DecodeValue(value);
  m_cA = value.IsCA() ? 1 : 0;
  m_pathLenConstraint = value.PathLenConstraint();
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

#include "ext/PKITextHandlers.h"

#include "asn1/ASN1Utf8String.h"
#include "core/OidTable.h"
#include "ext/HandlerMessages.h"
#include "ext/ValueForms.h"

namespace tavrpki {

ASN1Attribute PKITextEntity::ToAttribute() const { return MakeAttribute(ASN1Utf8String(m_text.CStr())); }

ASN1CertExtension PKITextEntity::ToExtension() const {
  if (!m_form.hasExtension) Raise(kMsgAllParamsNotImplemented);
  return MakeExtension(ASN1Utf8String(m_text.CStr()));
}

void PKITextEntity::FromAttribute(const ASN1Attribute& attribute) {
  String text = ext::TextOf(attribute.GetFirstValue());
  if (m_form.oidFromAttribute) m_oid = attribute.TypeText();
  m_text = std::move(text);
}

void PKITextEntity::FromExtension(const ASN1CertExtension& extension) {
  if (!m_form.hasExtension) Raise(kMsgAllParamsNotImplemented);
  String text = ext::TextOf(ext::ValueElementOf(extension));
  if (m_form.oidFromExtension) m_oid = extension.OidText();
  m_text = std::move(text);
  m_critical = extension.IsCritical() ? 1 : 0;
}

PKITemplateName::PKITemplateName() : PKITextEntity(GetOidRoot2().c_str(), {true, false, false}) {}

PKIObjectName::PKIObjectName() : PKITextEntity(GetOidRoot4().c_str(), {true, false, false}) {}

PKIKeyContainerName::PKIKeyContainerName() : PKITextEntity(GetOidRoot5().c_str(), {true, false, false}) {}

// The parameters travel in requests only; a certificate gets them otherwise.
PKIAllParams::PKIAllParams() : PKITextEntity(GetOidRoot9().c_str(), {false, true, false}) {}

PKIDefault::PKIDefault() : PKITextEntity("1", {true, true, true}) {}

}  // namespace tavrpki

#include "ext/PKISubjectDirAttr.h"

#include "asn1/ASN1PrintableString.h"
#include "ext/ExtensionOids.h"
#include "ext/ValueForms.h"

namespace tavrpki {
namespace {

bool IsUtf8String(const ASN1Primitive& value) {
  return value.TagClass() == ASN1Primitive::kUniversal && !value.IsConstructed() && value.TagNumber() == 12;
}

}  // namespace

PKISubjectDirAttr::PKISubjectDirAttr() : PKIEntityBase(kOidSubjectDirectoryAttributes, 0) {}

ASN1Attribute PKISubjectDirAttr::ToAttribute() const { return MakeAttribute(ext::ElementOf(m_attributes)); }

ASN1CertExtension PKISubjectDirAttr::ToExtension() const { return MakeExtension(m_attributes); }

void PKISubjectDirAttr::FromAttribute(const ASN1Attribute& attribute) {
  ASN1AttributeCollection attributes;
  ext::DecodeElement(attribute.GetFirstValue(), attributes);
  // Directory attributes go into the certificate as PrintableStrings: a request
  // writes its texts as UTF8Strings. The text passes through the code page, so
  // Cyrillic is held in Windows-1251 bytes, as names are.
  for (ASN1Attribute& held : attributes.Attributes())
    for (ASN1Primitive& value : held.Values())
      if (IsUtf8String(value)) value = ASN1PrintableString(ext::TextOf(value).CStr()).ToPrimitive();
  m_attributes = std::move(attributes);
}

void PKISubjectDirAttr::FromExtension(const ASN1CertExtension& extension) {
  ASN1AttributeCollection attributes;
  extension.DecodeValue(attributes);
  m_attributes = std::move(attributes);
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki

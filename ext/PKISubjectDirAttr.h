// Subject directory attributes, "2.5.29.9", not critical when created.
//   extension: the attribute collection's DER (SEQUENCE OF Attribute)
//   attribute: the same DER as the value; reading it rewrites every value that is
//              a UTF8String as a PrintableString of the same bytes, as directory
//              attributes in certificates carry them
#pragma once

#include "asn1/cms/ASN1AttributeCollection.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKISubjectDirAttr : public PKIEntityBase {
 public:
  PKISubjectDirAttr();

  const ASN1AttributeCollection& GetAttributes() const { return m_attributes; }
  ASN1AttributeCollection& Attributes() { return m_attributes; }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  ASN1AttributeCollection m_attributes;
};

}  // namespace tavrpki

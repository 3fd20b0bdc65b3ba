// Subject key identifier, "2.5.29.14", not critical when created.
//   extension: SubjectKeyIdentifier ::= OCTET STRING
//   attribute: none; ToAttribute returns an attribute without type or value and
//              FromAttribute does nothing
#pragma once

#include "asn1/Blob.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKISubjKeyId : public PKIEntityBase {
 public:
  PKISubjKeyId();

  const Blob& GetKeyId() const { return m_keyId; }
  void SetKeyId(ByteView keyId) { m_keyId.Assign(keyId); }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  Blob m_keyId;
};

}  // namespace tavrpki

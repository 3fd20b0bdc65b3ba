// Authority key identifier, "2.5.29.35", not critical when created.
//   extension: ASN1AuthKeyID with the key identifier (as [0] IMPLICIT OCTET
//              STRING) and the authority's serial number ([2], when set); no
//              issuer name is written, so a value read with one, or with a
//              wrapped identifier, is written back in this one form
//   attribute: none, as for PKISubjKeyId
#pragma once

#include "asn1/ASN1Integer.h"
#include "asn1/Blob.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIAuthKeyId : public PKIEntityBase {
 public:
  PKIAuthKeyId();

  const Blob& GetKeyId() const { return m_keyId; }
  void SetKeyId(ByteView keyId) { m_keyId.Assign(keyId); }
  // Empty when the extension carries none.
  const ASN1Integer& GetSerialNumber() const { return m_serialNumber; }
  void SetSerialNumber(const ASN1Integer& serialNumber) { m_serialNumber = serialNumber; }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  Blob m_keyId;
  ASN1Integer m_serialNumber;
};

}  // namespace tavrpki

// Authority information access, "1.3.6.1.5.5.7.1.1", not critical when created.
// Made by the certificate API directly, never by the factory.
//   extension: ASN1AuthInfoAccess with the two URLs of their own methods; access
//              descriptions of other methods are not kept
//   attribute: none ("Not implemented")
#pragma once

#include "asn1/String.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIAuthorityInfo : public PKIEntityBase {
 public:
  PKIAuthorityInfo();

  // Access method "1.3.6.1.5.5.7.48.3": the OCSP responder address.
  const String& GetFirstUrl() const { return m_firstUrl; }
  void SetFirstUrl(const String& url) { m_firstUrl = url; }
  // Access method "1.3.6.1.5.5.7.3.9.1".
  const String& GetSecondUrl() const { return m_secondUrl; }
  void SetSecondUrl(const String& url) { m_secondUrl = url; }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  String m_firstUrl;
  String m_secondUrl;
};

}  // namespace tavrpki

// CRL distribution points, "2.5.29.31", or delta CRL distribution points
// ("2.5.29.46", freshest CRL), as given at construction; not critical when created.
//   extension: ASN1DistributionPoint, one point whose full name holds every URL
//   attribute: none ("Not implemented")
#pragma once

#include <vector>

#include "asn1/String.h"
#include "ext/ExtensionOids.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKICRLDistributionPoint : public PKIEntityBase {
 public:
  explicit PKICRLDistributionPoint(const char* oid = kOidCrlDistributionPoints);

  const std::vector<String>& GetUrls() const { return m_urls; }
  void SetUrls(std::vector<String> urls) { m_urls = std::move(urls); }
  void AddUrl(const String& url) { m_urls.push_back(url); }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  std::vector<String> m_urls;
};

}  // namespace tavrpki

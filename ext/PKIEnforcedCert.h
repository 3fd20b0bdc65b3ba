// Qualified-certificate statements under "1.3.6.1.5.5.7.0.18.3", critical when
// created: a list of statement OIDs.
//   extension: ASN1QCStatements, one QCStatement per item holding only the
//              OID; statement info read from a certificate is not kept
//   attribute: UTF8String list text |a||b| (ext/TextForms.h)
#pragma once

#include <utility>
#include <vector>

#include "asn1/String.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIEnforcedCert : public PKIEntityBase {
 public:
  PKIEnforcedCert();

  const std::vector<String>& GetList() const { return m_items; }
  void SetList(std::vector<String> items) { m_items = std::move(items); }
  void Add(const String& item) { m_items.push_back(item); }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  std::vector<String> m_items;
};

}  // namespace tavrpki

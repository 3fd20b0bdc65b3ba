// Certificate policies, "2.5.29.32", not critical when created: a list of policy OIDs.
//   extension: ASN1CertPolicies, one PolicyInformation per item holding only
//              the OID; qualifiers read from a certificate are not kept
//   attribute: UTF8String list text |a||b| (ext/TextForms.h)
#pragma once

#include <utility>
#include <vector>

#include "asn1/String.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIPolicies : public PKIEntityBase {
 public:
  PKIPolicies();

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

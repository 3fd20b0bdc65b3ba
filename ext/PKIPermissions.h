// User permissions, root.3 (core/OidTable.h), not critical when created: a list
// of permission texts (see kernel/CKernelPermissions.h for their meaning).
//   extension: UTF8String list text, as the attribute
//   attribute: UTF8String list text |a||b| (ext/TextForms.h)
// Both from-operations also take the OID of their source, so permissions under
// another OID read and write back under that OID.
#pragma once

#include <utility>
#include <vector>

#include "asn1/String.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIPermissions : public PKIEntityBase {
 public:
  PKIPermissions();

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

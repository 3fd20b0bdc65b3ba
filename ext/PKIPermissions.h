// User permissions, root.3 (core/OidTable.h), not critical when created: a list
// of permission texts (see kernel/CKernelPermissions.h for their meaning).
//   extension: UTF8String list text, as the attribute
// Both from-operations also take the OID of their source, so permissions under
// another OID read and write back under that OID.
#pragma once

#include "ext/PKIListEntity.h"

namespace tavrpki {

class PKIPermissions : public PKIListEntity {
 public:
  PKIPermissions();

  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;
};

}  // namespace tavrpki

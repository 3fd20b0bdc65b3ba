// Certificate policies, "2.5.29.32", not critical when created: a list of policy
// OIDs, one PolicyInformation per item holding only the OID.
#pragma once

#include "ext/PKIOidList.h"

namespace tavrpki {

class PKIPolicies : public PKIOidList<ASN1CertPolicies> {
 public:
  PKIPolicies();
};

}  // namespace tavrpki

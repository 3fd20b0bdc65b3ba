#include "ext/PKIPolicies.h"

#include "ext/ExtensionOids.h"

namespace tavrpki {

PKIPolicies::PKIPolicies() : PKIOidList(kOidCertificatePolicies, 0) {}

}  // namespace tavrpki

#include "ext/PKIEnforcedCert.h"

#include "ext/ExtensionOids.h"

namespace tavrpki {

PKIEnforcedCert::PKIEnforcedCert() : PKIOidList(kOidEnforcedCert, 1) {}

}  // namespace tavrpki

#include "ext/PKIExtendedKeyUsage.h"

#include "ext/ExtensionOids.h"

namespace tavrpki {

PKIExtendedKeyUsage::PKIExtendedKeyUsage() : PKIOidList(kOidExtendedKeyUsage, 0) {}

}  // namespace tavrpki

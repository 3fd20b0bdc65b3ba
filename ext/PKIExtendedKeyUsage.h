// Extended key usage, "2.5.29.37", not critical when created: a list of key
// purpose OIDs.
#pragma once

#include "ext/PKIOidList.h"

namespace tavrpki {

class PKIExtendedKeyUsage : public PKIOidList<ASN1ExtKeyUsage> {
 public:
  PKIExtendedKeyUsage();
};

}  // namespace tavrpki

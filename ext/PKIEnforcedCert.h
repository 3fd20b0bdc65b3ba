// Qualified-certificate statements under "1.3.6.1.5.5.7.0.18.3", critical when
// created: a list of statement OIDs, one QCStatement per item holding only the OID.
#pragma once

#include "ext/PKIOidList.h"

namespace tavrpki {

class PKIEnforcedCert : public PKIOidList<ASN1QCStatements> {
 public:
  PKIEnforcedCert();
};

}  // namespace tavrpki

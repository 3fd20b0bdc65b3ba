// Every extension handler, and the factory that picks one by OID.
#pragma once

#include <memory>

#include "ext/PKIAuthKeyId.h"
#include "ext/PKIAuthorityInfo.h"
#include "ext/PKIBasicConstraints.h"
#include "ext/PKICRLDistributionPoint.h"
#include "ext/PKICryptPublicKey.h"
#include "ext/PKIDateTime.h"
#include "ext/PKIDeltaCRLIndicator.h"
#include "ext/PKIEnforcedCert.h"
#include "ext/PKIEntityBase.h"
#include "ext/PKIExtendedKeyUsage.h"
#include "ext/PKIKeyUsage.h"
#include "ext/PKIPermissions.h"
#include "ext/PKIPolicies.h"
#include "ext/PKIRndCryptDKE.h"
#include "ext/PKISubjKeyId.h"
#include "ext/PKISubjectDirAttr.h"
#include "ext/PKITextHandlers.h"

namespace tavrpki {

// A new handler for the extension `oid`, compared as exact text: the standard
// extensions of ExtensionOids.h (both distribution-point OIDs give a
// PKICRLDistributionPoint with that OID), the system's own root.1 ... root.9, and
// PKIDefault for any other. PKIAuthorityInfo is never made here. Telling the
// system's own OIDs apart needs the OID table: before it is built, an OID that
// is not a standard one fails with 160000.
std::unique_ptr<PKIEntityBase> MakeExtensionHandler(const char* oid);

}  // namespace tavrpki

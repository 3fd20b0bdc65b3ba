#include "ext/ExtensionHandlers.h"

#include <cstring>
#include <string>

#include "core/OidTable.h"

namespace tavrpki {
namespace {

using Make = std::unique_ptr<PKIEntityBase> (*)();

template <class Handler>
std::unique_ptr<PKIEntityBase> New() {
  return std::make_unique<Handler>();
}

struct StandardEntry {
  const char* oid;
  Make make;
};

constexpr StandardEntry kStandard[] = {
    {kOidKeyUsage, New<PKIKeyUsage>},
    {kOidCertificatePolicies, New<PKIPolicies>},
    {kOidAuthorityKeyIdentifier, New<PKIAuthKeyId>},
    {kOidSubjectKeyIdentifier, New<PKISubjKeyId>},
    {kOidBasicConstraints, New<PKIBasicConstraints>},
    {kOidExtendedKeyUsage, New<PKIExtendedKeyUsage>},
    {kOidDeltaCrlIndicator, New<PKIDeltaCRLIndicator>},
    {kOidSubjectDirectoryAttributes, New<PKISubjectDirAttr>},
    {kOidEnforcedCert, New<PKIEnforcedCert>},
};

struct OwnEntry {
  std::string (*oid)();
  Make make;
};

// The system's own OIDs come from the configured root, so they are looked up
// only after every standard OID has missed.
constexpr OwnEntry kOwn[] = {
    {GetOidRoot1, New<PKICryptPublicKey>},   {GetOidRoot2, New<PKITemplateName>},
    {GetOidRoot3, New<PKIPermissions>},      {GetOidRoot4, New<PKIObjectName>},
    {GetOidRoot5, New<PKIKeyContainerName>}, {GetOidRoot6, New<PKIRndCryptDKE>},
    {GetOidRoot8, New<PKIDateTime>},         {GetOidRoot9, New<PKIAllParams>},
};

}  // namespace

std::unique_ptr<PKIEntityBase> MakeExtensionHandler(const char* oid) {
  for (const StandardEntry& entry : kStandard)
    if (std::strcmp(oid, entry.oid) == 0) return entry.make();
  if (std::strcmp(oid, kOidCrlDistributionPoints) == 0 || std::strcmp(oid, kOidFreshestCrl) == 0)
    return std::make_unique<PKICRLDistributionPoint>(oid);
  for (const OwnEntry& entry : kOwn)
    if (entry.oid() == oid) return entry.make();
  return std::make_unique<PKIDefault>();
}

}  // namespace tavrpki

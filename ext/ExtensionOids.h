// The object identifiers of the extensions that have a handler of their own.
// The system's own extensions (root.1 ... root.9) have no constant: their OIDs
// are formed from the configured root at run time (core/OidTable.h).
#pragma once

namespace tavrpki {

inline constexpr const char* kOidSubjectDirectoryAttributes = "2.5.29.9";
inline constexpr const char* kOidSubjectKeyIdentifier = "2.5.29.14";
inline constexpr const char* kOidKeyUsage = "2.5.29.15";
inline constexpr const char* kOidBasicConstraints = "2.5.29.19";
inline constexpr const char* kOidDeltaCrlIndicator = "2.5.29.27";
inline constexpr const char* kOidCrlDistributionPoints = "2.5.29.31";
inline constexpr const char* kOidCertificatePolicies = "2.5.29.32";
inline constexpr const char* kOidAuthorityKeyIdentifier = "2.5.29.35";
inline constexpr const char* kOidExtendedKeyUsage = "2.5.29.37";
inline constexpr const char* kOidFreshestCrl = "2.5.29.46";  // delta CRL distribution points
inline constexpr const char* kOidAuthorityInfoAccess = "1.3.6.1.5.5.7.1.1";
inline constexpr const char* kOidEnforcedCert = "1.3.6.1.5.5.7.0.18.3";

}  // namespace tavrpki

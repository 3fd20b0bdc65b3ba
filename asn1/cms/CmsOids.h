// Object identifiers of signed messages.
#pragma once

namespace tavrpki {

inline constexpr const char* kOidData = "1.2.840.113549.1.7.1";
inline constexpr const char* kOidSignedData = "1.2.840.113549.1.7.2";
inline constexpr const char* kOidAttrContentType = "1.2.840.113549.1.9.3";
inline constexpr const char* kOidAttrMessageDigest = "1.2.840.113549.1.9.4";
inline constexpr const char* kOidAttrSigningTime = "1.2.840.113549.1.9.5";
inline constexpr const char* kOidAttrSigningCertificateV2 = "1.2.840.113549.1.9.16.2.47";
inline constexpr const char* kOidAttrContentTimeStamp = "1.2.840.113549.1.9.16.2.20";
inline constexpr const char* kOidAttrSignatureTimeStamp = "1.2.840.113549.1.9.16.2.14";
inline constexpr const char* kOidGost34311 = "1.2.804.2.1.1.1.1.2.1";

}  // namespace tavrpki

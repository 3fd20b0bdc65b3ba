// The fixed values of OCSP messages: identifiers, statuses and the reason code
// that stands for "no reason".
#pragma once

#include <cstdint>

namespace tavrpki {

// GOST 34.311-95, the hash a certificate identifier names (its parameters are left out).
inline constexpr const char* kOidOcspCertIdHash = "1.2.804.2.1.1.1.1.2.1";
// id-pkix-ocsp-basic: the only response type read and written.
inline constexpr const char* kOidOcspBasicResponse = "1.3.6.1.5.5.7.48.1.1";
// id-pkix-ocsp-nonce: a request extension the responder echoes in its answer.
inline constexpr const char* kOidOcspNonce = "1.3.6.1.5.5.7.48.1.2";
// id-kp-OCSPSigning: the key purpose a responder certificate must carry.
inline constexpr const char* kOidOcspSigning = "1.3.6.1.5.5.7.3.9";

// OCSPResponseStatus (RFC 6960 4.2.1).
inline constexpr std::uint8_t kOcspSuccessful = 0;
inline constexpr std::uint8_t kOcspMalformedRequest = 1;
inline constexpr std::uint8_t kOcspInternalError = 2;
inline constexpr std::uint8_t kOcspTryLater = 3;
inline constexpr std::uint8_t kOcspSigRequired = 5;
inline constexpr std::uint8_t kOcspUnauthorized = 6;

// CertStatus choice numbers.
inline constexpr std::uint8_t kOcspGood = 0;
inline constexpr std::uint8_t kOcspRevoked = 1;
inline constexpr std::uint8_t kOcspUnknown = 2;

// A revoked status without a reason code holds this value (as CRL entries do).
inline constexpr std::uint32_t kOcspNoReason = 0xFF;

}  // namespace tavrpki

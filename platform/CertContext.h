// Certificate and revocation-list contexts: what the library hands a caller who
// wants a certificate or CRL in the shape the Windows certificate functions use.
//
// Ownership: a context made by CertCreateCertificateContext / CertCreateCRLContext
// belongs to the caller, together with the copy of the DER it points to. The
// caller frees it exactly once with CertFreeCertificateContext /
// CertFreeCRLContext (null is accepted and ignored); the library never keeps or
// frees a context it has handed out. The copy is the caller's own: it stays valid
// after the certificate or CRL object it came from is changed or destroyed.
//
// A creation function answers null on failure and leaves the reason for
// GetLastError() on the calling thread (0 after a success):
//   kErrorInvalidParameter   null or empty input, or an encoding type other than
//                            X509_ASN_ENCODING | PKCS_7_ASN_ENCODING or X509_ASN_ENCODING;
//   kErrorBadEncoding        the bytes are not one definite-length SEQUENCE;
//   kErrorNotEnoughMemory    the copy could not be allocated.
#pragma once

#include "platform/WinTypes.h"

using BYTE = std::uint8_t;

inline constexpr DWORD X509_ASN_ENCODING = 0x00000001;
inline constexpr DWORD PKCS_7_ASN_ENCODING = 0x00010000;

struct _CERT_CONTEXT {
  DWORD dwCertEncodingType;  // X509_ASN_ENCODING | PKCS_7_ASN_ENCODING as the library makes it
  BYTE* pbCertEncoded;       // the certificate's DER, a heap copy owned by the context
  DWORD cbCertEncoded;       // its length in bytes
};
using CERT_CONTEXT = _CERT_CONTEXT;
using PCCERT_CONTEXT = const CERT_CONTEXT*;

struct _CRL_CONTEXT {
  DWORD dwCertEncodingType;
  BYTE* pbCrlEncoded;  // the revocation list's DER, a heap copy owned by the context
  DWORD cbCrlEncoded;
};
using CRL_CONTEXT = _CRL_CONTEXT;
using PCCRL_CONTEXT = const CRL_CONTEXT*;

namespace tavrpki::platform {
inline constexpr DWORD kErrorNotEnoughMemory = 8;     // ERROR_NOT_ENOUGH_MEMORY
inline constexpr DWORD kErrorInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
inline constexpr DWORD kErrorBadEncoding = 0x8009310B;  // CRYPT_E_ASN1_BADTAG
}  // namespace tavrpki::platform

PCCERT_CONTEXT CertCreateCertificateContext(DWORD encodingType, const BYTE* encoded, DWORD length);
// Frees the context and its copy of the DER. TRUE always.
BOOL CertFreeCertificateContext(PCCERT_CONTEXT context);

PCCRL_CONTEXT CertCreateCRLContext(DWORD encodingType, const BYTE* encoded, DWORD length);
BOOL CertFreeCRLContext(PCCRL_CONTEXT context);

// The reason the last creation call on this thread failed; 0 after a success.
DWORD GetLastError();

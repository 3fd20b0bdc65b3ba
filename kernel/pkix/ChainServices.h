// What chain building and validation ask of the world outside the chain: the
// caller's certificate storage (lookups by key identifier, trust flags, the
// newest revocation lists of an issuer, a list's signer) and an OCSP responder.
// The kernel answers through its exported operations (CKernel::FindCertificateByKeyId,
// IsTrustedCert, FindCRL, CKernelCRL::GetSignerCertificate, CKernelOCSP::GetCertStatus),
// so their codes and messages reach the caller unchanged; tests may answer
// from tables.
#pragma once

#include <cstdint>

#include "asn1/ASN1Integer.h"
#include "asn1/Blob.h"
#include "asn1/DateTime.h"
#include "asn1/crl/ASN1CRL.h"
#include "asn1/x509/ASN1Certificate.h"

namespace tavrpki::pkix {

// An OCSP answer for one certificate, its responder's signature already checked.
struct OcspAnswer {
  std::uint8_t certStatus = 0;  // 0 good, 1 revoked, 2 unknown
  std::uint32_t reason = 0;     // set when certStatus is not 0
  DateTime revocationTime;      // set when certStatus is not 0
  ASN1Certificate responder;
};

class ChainServices {
 public:
  virtual ~ChainServices() = default;

  // The certificate with this subject key identifier (and serial number, unless
  // empty) into `out`; false when the storage has none.
  virtual bool FindByKeyId(const Blob& keyId, const ASN1Integer& serial, ASN1Certificate& out) = 0;
  // The storage's trust flag of `cert` (100053 when the storage lacks it).
  virtual bool IsTrusted(const ASN1Certificate& cert) = 0;
  // The newest base list of `cert`'s issuer and, when there is one, the newest
  // delta list; false (both untouched) when there is no base list.
  virtual bool FindCrls(const ASN1Certificate& cert, ASN1CRL& base, ASN1CRL& delta, bool& deltaFound) = 0;
  // The certificate that signed `list` (100056 when the storage lacks it).
  virtual ASN1Certificate CrlSigner(const ASN1CRL& list) = 0;
  // The status of `cert` from the responder at `url`, or, with a null url, from
  // the address in the certificate (100033 when it names none).
  virtual OcspAnswer OcspStatus(const ASN1Certificate& cert, const char* url) = 0;
};

}  // namespace tavrpki::pkix

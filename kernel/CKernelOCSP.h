// The OCSP client: asks a responder for the status of one certificate (RFC 2560
// messages over HTTP GET) and checks the answer.
//
// A response is taken only from a responder identified by the hash of its key,
// whose certificate is in the caller's certificate storage
// (`CKernel::SetCertStorage`) and carries the OCSP-signing key purpose
// (1.3.6.1.5.5.7.3.9), and whose signature verifies. The responder's certificate
// is handed back so that the caller validates its chain in turn. The times of a
// response (producedAt, thisUpdate, nextUpdate) are not checked here, and no
// nonce is sent.
//
// Every operation is static; every failure is a `Kernel::CKernelException`
// (transport failures with the transport's message).
#pragma once

#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "platform/Time.h"
#include "platform/WinTypes.h"

namespace Kernel {

struct OCSPResponse {
  unsigned char certStatus;   // 0 good, 1 revoked, 2 unknown
  DWORD revocationReason;     // the CRL reason code (255: the response gave none);
                              // set only when certStatus is not 0
  _SYSTEMTIME revocationTime; // UTC; set only when certStatus is not 0
};

class CKernelOCSP {
 public:
  CKernelOCSP();
  virtual ~CKernelOCSP();

  // Sends the request for `cert` to the responder at `url` and returns the raw
  // DER answer in a buffer of exactly its length, to be freed with
  // ReleaseResponseBuffer. A null url, response or length throws 100021; a
  // certificate without an authority key identifier throws 100010 before
  // anything is sent.
  static void GetOCSPResponse(const char* url, const CKernelCertificate& cert, unsigned char** response,
                              unsigned long* length);
  // Frees a buffer of GetOCSPResponse; null throws 100021.
  static void ReleaseResponseBuffer(const unsigned char* response);

  // Asks the responder at `url` about `cert` and checks the answer (codes
  // 100010, 100034 to 100038, 100042, 100043); on success `result` holds the
  // status and `responderCert` the responder's certificate. On failure neither
  // changes. A good status leaves revocationReason and revocationTime untouched.
  static void GetCertStatus(const CKernel& kernel, const char* url, const CKernelCertificate& cert,
                            OCSPResponse& result, CKernelCertificate& responderCert);
  // The same with the responder address of the certificate's authority
  // information access extension (100033 without it, 100034 when it names none).
  static void GetCertStatus(const CKernel& kernel, const CKernelCertificate& cert, OCSPResponse& result,
                            CKernelCertificate& responderCert);

  // Beyond the exchange, for callers that keep or pass on the raw answer: the
  // checks of GetCertStatus on a response already received (null or empty
  // throws 100021), and the responder address GetCertStatus takes from the
  // certificate (100033, 100034), as NUL-terminated text by the caller-buffer rule.
  static void CheckResponse(const CKernel& kernel, const unsigned char* response, unsigned long length,
                            const CKernelCertificate& cert, OCSPResponse& result, CKernelCertificate& responderCert);
  static void GetResponderUrl(const CKernelCertificate& cert, char* url, unsigned long* length);
};

}  // namespace Kernel

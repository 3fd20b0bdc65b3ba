// The answer logic of the OCSP responder: the DER of a request in, the DER of the
// response out, for one CA, from a status source, signed by the responder key.
//
// Answers follow RFC 6960 in the shape this system's client checks: the basic
// response type, the responder identified by key hash (its certificate's subject
// key identifier, by which clients find the certificate in their store), a DSTU
// 4145 signature carried as certificates carry theirs, the responder certificate
// in `certs`, one single response per requested certificate with the request's
// CertID echoed as it came, producedAt and thisUpdate the time of answering,
// nextUpdate `Settings::validity` later, and the nonce echoed when the request
// carries one. A CertID is answered from the source only when it names the CA by
// its key identifier (GOST 34.311 hash OID, issuerKeyHash the CA's subject key
// identifier, as the client writes them); anything else is `unknown`.
//
// Bad requests get `malformedRequest` (1) and a failure while answering gets
// `internalError` (2): Answer never throws for what a request holds.
//
// One object serves many threads at once; the status source guards itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "CertStatusSource.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"

namespace tavrpki::servers {

// A responder that cannot start; `what()` is meant for the operator.
struct ResponderSetupError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class OcspResponder {
 public:
  struct Settings {
    std::chrono::seconds validity{600};
  };

  // Checks what is given before anything is answered: the responder key must
  // be the key of the responder certificate, and the CA certificate must carry
  // a subject key identifier (ResponderSetupError); the library's exception for
  // a certificate it cannot read.
  OcspResponder(const Kernel::CKernel& kernel, std::span<const std::uint8_t> caCertDer,
                std::span<const std::uint8_t> responderCertDer, const Kernel::CKernelDoubleKeyPair& responderKeys,
                CertStatusSource& statuses, Settings settings);
  OcspResponder(const Kernel::CKernel& kernel, std::span<const std::uint8_t> caCertDer,
                std::span<const std::uint8_t> responderCertDer, const Kernel::CKernelDoubleKeyPair& responderKeys,
                CertStatusSource& statuses)
      : OcspResponder(kernel, caCertDer, responderCertDer, responderKeys, statuses, Settings{}) {}

  std::vector<std::uint8_t> Answer(std::span<const std::uint8_t> request) const;

  // The bare answers without response bytes (RFC 6960 4.2.1).
  static std::vector<std::uint8_t> StatusOnly(std::uint8_t status);

 private:
  Kernel::CKernel m_kernel;
  Kernel::CKernelDoubleKeyPair m_keys;
  Kernel::CKernelAllParams m_params;
  std::vector<std::uint8_t> m_responderDer;
  std::vector<std::uint8_t> m_responderKeyId;
  std::vector<std::uint8_t> m_caKeyId;
  std::string m_signatureOid;
  CertStatusSource& m_statuses;
  Settings m_settings;
};

}  // namespace tavrpki::servers

// A small PKI made in memory with the library, for running the OCSP responder and
// chain validation against something real without files: a root, a CA under it
// (the responder's CA), the CA's OCSP responder, end-entity certificates in the
// three states a responder tells apart, and a revocation list of each CA. The
// speed runs and the tests use it alike.
//
// Keys are DSTU 4145 on the 257-bit polynomial-basis curve with DKE No. 1; the
// certificates run from an hour ago for ten years. Making one takes a few key
// generations and signatures (milliseconds).
#pragma once

#include <cstdint>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "kernel/CKernel.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "platform/Time.h"

namespace tavrpki::servers {

struct LoopbackPki {
  struct Options {
    // Without it, the responder certificate lacks the OCSP-signing key purpose.
    bool responderCanSign = true;
    // The responder and end-entity certificates point clients at this URL.
    const char* ocspUrl = nullptr;
  };

  explicit LoopbackPki(const Kernel::CKernel& kernel) : LoopbackPki(kernel, Options{}) {}
  LoopbackPki(const Kernel::CKernel& kernel, const Options& options);

  // Adds every certificate but `unissued`, and both lists, to `store`; the root
  // is trusted there.
  void AddTo(SqliteCertStore& store) const;

  static std::vector<std::uint8_t> Der(const Kernel::CKernelCertificate& cert);
  static std::vector<std::uint8_t> Der(const Kernel::CKernelCRL& list);
  static std::vector<std::uint8_t> Serial(const Kernel::CKernelCertificate& cert);

  Kernel::CKernel kernel;
  Kernel::CKernelDoubleKeyPair rootKeys, caKeys, responderKeys, userKeys;
  Kernel::CKernelCertificate root, ca, responder;
  Kernel::CKernelCertificate good;      // issued by the CA and in the store
  Kernel::CKernelCertificate revoked;   // issued, in the store and on the CA's list
  Kernel::CKernelCertificate unissued;  // signed by the CA, but the store never saw it
  Kernel::CKernelCRL rootList;          // the root's list, empty
  Kernel::CKernelCRL caList;            // the CA's list: `revoked`
  _SYSTEMTIME revokedAt{};              // whole seconds, UTC
  static constexpr unsigned char kRevokedReason = 1;  // keyCompromise
};

}  // namespace tavrpki::servers

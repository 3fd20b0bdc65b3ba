// The OCSP step of chain validation: the status of a certificate from its
// responder, through the exported OCSP client. Internal header.
#pragma once

#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/pkix/ChainServices.h"

namespace Kernel {

// CKernelOCSP::GetCertStatus for `cert`: with a null `url` in its form that takes
// the address from the certificate, else in its form with that URL.
tavrpki::pkix::OcspAnswer OcspStatusForChain(const CKernel& kernel, const CKernelCertificate& cert, const char* url);

}  // namespace Kernel

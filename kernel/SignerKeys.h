// The parameters and keys a signer's certificate gives for signing and checking
// signed messages. Certificates with the system's own key-agreement key and S-box
// extensions give them as GetParams and GetCertKeys do; certificates without
// them (every real CA's) give what their signing key alone carries, so a signer
// info can be built, signed and checked for any DSTU 4145 certificate.
// Internal header: never installed.
#pragma once

#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"

namespace Kernel {

// GetParams(); without the extensions: the signing parameters in both places and
// their S-box (or the default table) as the random and cipher S-boxes.
CKernelAllParams SignerParams(const CKernelCertificate& cert);

// GetCertKeys(); without the key-agreement key: GetCertSignKey().
CKernelDoubleKeyPair VerificationKeys(const CKernelCertificate& cert);

}  // namespace Kernel

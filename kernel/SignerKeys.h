// What a signer's certificate gives for signing and checking signed messages.
//
// Certificates with the system's own key-agreement key and S-box extensions
// (root.1, root.6) give the random-generator S-box of root.6, as GetParams does;
// certificates without them (every real CA's) give the S-box of their own signing
// parameters (their dke, else the default table), so a signer info can be signed
// and checked for any DSTU 4145 certificate. Verification needs only the signing
// key, which every certificate carries.
// Internal header: never installed.
#pragma once

#include "kernel/CKernelCertificate.h"
#include "kernel/pkix/SignedMessage.h"

namespace Kernel {

struct SigningSBoxes {
  tavrpki::pkix::SBox random;  // seeds the generator
  tavrpki::pkix::SBox sign;    // of the signing parameters
};

SigningSBoxes SigningSBoxesOf(const CKernelCertificate& cert);

}  // namespace Kernel

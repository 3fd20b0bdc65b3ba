// The certificate forms of the kernel's DSTU 4145 operations: the key pair comes
// from the certificate (its signing key for verification, both keys for
// encryption), then the key-pair form runs.
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"

namespace Kernel {

bool CKernel::VerifyHashSignature(const unsigned char* hash, const unsigned char* signature,
                                  unsigned long signatureLength, const CKernelCertificate& cert) const {
  return Boundary([&] {
    RequireArgument(hash != nullptr && signature != nullptr && signatureLength != 0);
    return VerifyHashSignature(hash, signature, signatureLength, cert.GetCertSignKey());
  });
}

bool CKernel::VerifyBufferSignature(const unsigned char* data, unsigned long length,
                                    const unsigned char* signature, unsigned long signatureLength,
                                    const CKernelCertificate& cert) const {
  return Boundary([&] {
    RequireArgument(data != nullptr && length != 0 && signature != nullptr && signatureLength != 0);
    return VerifyBufferSignature(data, length, signature, signatureLength, cert.GetCertSignKey());
  });
}

void CKernel::EncryptAsymmetric(const CKernelCertificate& cert, const unsigned char* data,
                                unsigned long length, unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(data != nullptr && length != 0 && outLength != nullptr);
    EncryptAsymmetric(cert.GetCertKeys(), data, length, out, outLength);
  });
}

}  // namespace Kernel

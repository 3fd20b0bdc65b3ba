#include "kernel/SignerKeys.h"

#include "core/Catalogue.h"
#include "kernel/CKernelAsymmetricParams.h"
#include "kernel/CKernelException.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/PublicKeyInfo.h"
#include "kernel/pkix/SignedMessage.h"

namespace Kernel {
namespace {

bool LacksOwnExtension(const CKernelException& error) {
  return error.GetErrorCode() == tavrpki::kMsgNoCryptPublicKeyExtension.code ||
         error.GetErrorCode() == tavrpki::kMsgNoSBoxExtension.code;
}

}  // namespace

CKernelAllParams SignerParams(const CKernelCertificate& cert) {
  try {
    return cert.GetParams();
  } catch (const CKernelException& error) {
    if (!LacksOwnExtension(error)) throw;
  }
  const CKernel kernel = cert.GetKernel();
  tavrpki::CAsymmetric4145Params sign =
      tavrpki::pkix::KeyParams(CertificateOf(cert).TBSCertificate().PublicKeyInfo());
  const auto sbox = tavrpki::pkix::ExpandedSBox(sign);
  CKernelAllParams params(kernel);
  const CKernelAsymmetricParams exported(kernel, &sign);
  params.SetSignParams(exported);
  params.SetCryptParams(exported);
  params.SetRandomSBox(sbox.data());
  params.SetCryptSBox(sbox.data());
  return params;
}

CKernelDoubleKeyPair VerificationKeys(const CKernelCertificate& cert) {
  try {
    return cert.GetCertKeys();
  } catch (const CKernelException& error) {
    if (error.GetErrorCode() != tavrpki::kMsgNoCryptPublicKeyExtension.code) throw;
  }
  return cert.GetCertSignKey();
}

}  // namespace Kernel

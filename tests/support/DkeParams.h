// Parameter sets the kernel tests sign and encrypt with: DKE No. 1 as the random
// and the cipher S-box, key pairs on named curves.
#pragma once

#include "crypto/params/Dke.h"
#include "kernel/CKernelAllParams.h"

namespace tavrpki::test {

inline constexpr const char* kCurve163 = "1.2.804.2.1.1.1.1.3.1.1.2.0";
inline constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";
inline constexpr const char* kCurve431 = "1.2.804.2.1.1.1.1.3.1.1.2.9";
inline constexpr const char* kCurve233Onb = "1.2.804.2.1.1.1.1.3.1.2.2.3";

// Signing keys on `signCurve`, key-agreement keys on `cryptCurve` (the same when null).
inline Kernel::CKernelAllParams MakeParams(const Kernel::CKernel& kernel, const char* signCurve = kCurve257,
                                           const char* cryptCurve = nullptr) {
  params::Dke dke = params::kDke1;
  Kernel::CKernelAllParams params(kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(kernel.GenerateAsymmetric4145Params(signCurve, dke.data()));
  params.SetCryptParams(kernel.GenerateAsymmetric4145Params(cryptCurve ? cryptCurve : signCurve, dke.data()));
  return params;
}

}  // namespace tavrpki::test

// Recipients for the envelope tests: a kernel over a private configuration that
// loads the file key storage, and certificates the library makes for key pairs
// on chosen curves (the key-agreement key in root.1, the S-boxes in root.6).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "crypto/params/Dke.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/GetKernelInstance.h"
#include "support/CodeOf.h"
#include "support/ConfigSandbox.h"
#include "support/Fetch.h"
#include "support/RecipientCertificate.h"
#include "support/VectorFile.h"

namespace tavrpki::test {

inline constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";
inline constexpr const char* kCurve431 = "1.2.804.2.1.1.1.1.3.1.1.2.9";
inline constexpr const char* kCurveNormal = "1.2.804.2.1.1.1.1.3.1.2.2.3";

inline std::vector<unsigned char> DerOf(const Kernel::CKernelCertificate& cert) {
  return Fetch([&](unsigned char* b, unsigned long* l) { cert.GetCertBuffer(b, l); });
}

// The file key storage, the library's OID root, logging off, fast key derivation.
class EnvelopeSandbox : public ConfigSandbox {
 public:
  EnvelopeSandbox() {
    WriteSystem(std::string("\"KeyStorageManager\"=\"") + TAVRPKI_FILEKEYSTORE_PATH +
                "\"\n\"UseLog\"=dword:00000000\n\"RootOID\"=\"1.3.6.1.4.1.19398.1.1\"");
    m_storage = (Root() / "keys").string();
    std::filesystem::create_directories(m_storage);
    Set("TAVRPKI_KEYSTORE_ITERATIONS", "2");
  }
  const std::string& Storage() const { return m_storage; }

 private:
  std::string m_storage;
};

// Signing keys on `signCurve`, key-agreement keys on `cryptCurve`, DKE No. 1.
inline Kernel::CKernelAllParams ParamsOn(const Kernel::CKernel& kernel, const char* signCurve,
                                         const char* cryptCurve) {
  params::Dke dke = params::kDke1;
  Kernel::CKernelAllParams params(kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(kernel.GenerateAsymmetric4145Params(signCurve, dke.data()));
  params.SetCryptParams(kernel.GenerateAsymmetric4145Params(cryptCurve, dke.data()));
  return params;
}

}  // namespace tavrpki::test

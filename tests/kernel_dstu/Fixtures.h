// Shared pieces of the kernel DSTU 4145 and key storage tests: parameter sets on
// named curves, the code of a failure, and a kernel whose configuration loads the
// file key storage plugin over a private directory.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "crypto/params/Dke.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/ConfigSandbox.h"
#include "support/CodeOf.h"
#include "support/Fetch.h"

namespace tavrpki::test {

inline constexpr const char* kCurve163 = "1.2.804.2.1.1.1.1.3.1.1.2.0";
inline constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";
inline constexpr const char* kCurve431 = "1.2.804.2.1.1.1.1.3.1.1.2.9";
inline constexpr const char* kCurve233Onb = "1.2.804.2.1.1.1.1.3.1.2.2.3";

// Random and cipher S-box DKE No. 1, both key pairs on the given curves.
inline Kernel::CKernelAllParams MakeParams(const Kernel::CKernel& kernel, const char* signCurve,
                                           const char* cryptCurve) {
  params::Dke dke = params::kDke1;
  Kernel::CKernelAllParams params(kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(kernel.GenerateAsymmetric4145Params(signCurve, dke.data()));
  params.SetCryptParams(kernel.GenerateAsymmetric4145Params(cryptCurve, dke.data()));
  return params;
}

// Some 32-byte hash, different for each seed.
inline std::array<unsigned char, 32> SomeHash(unsigned char seed) {
  std::array<unsigned char, 32> hash{};
  for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<unsigned char>(seed + 7 * i);
  return hash;
}

// One row of a refusal table: the call and the code it must fail with.
struct CodeCase {
  const char* what;
  unsigned long code;
  std::function<void()> call;
};

inline std::vector<unsigned char> PublicSignKey(const Kernel::CKernelDoubleKeyPair& keys) {
  return Fetch([&](auto* b, auto* l) { keys.GetSignPublicKey(b, l); });
}

inline std::vector<unsigned char> Sign(const Kernel::CKernel& kernel, const unsigned char* hash,
                                       const Kernel::CKernelDoubleKeyPair& keys,
                                       const Kernel::CKernelAllParams& params) {
  return Fetch([&](auto* b, auto* l) { kernel.EnsignHash(hash, b, l, keys, params); });
}

inline bool Verifies(const Kernel::CKernel& kernel, const unsigned char* hash,
                     const std::vector<unsigned char>& signature, const Kernel::CKernelDoubleKeyPair& keys) {
  return kernel.VerifyHashSignature(hash, signature.data(), static_cast<unsigned long>(signature.size()), keys);
}

// A kernel over a private configuration.
class KernelDstuTest : public ::testing::Test {
 protected:
  ConfigSandbox m_sandbox;  // before the kernel, which reads it
  Kernel::CKernel m_kernel;
};

// Configuration that loads the file key storage plugin (logging off), a key
// storage directory, and few key-derivation iterations so that tests stay fast.
class KeyStorageSandbox : public ConfigSandbox {
 public:
  KeyStorageSandbox() {
    WriteSystem(std::string("\"KeyStorageManager\"=\"") + TAVRPKI_FILEKEYSTORE_PATH +
                "\"\n\"UseLog\"=dword:00000000");
    m_storage = (Root() / "keys").string();
    std::filesystem::create_directories(m_storage);
    setenv("TAVRPKI_KEYSTORE_ITERATIONS", "2", 1);
  }
  const std::string& Storage() const { return m_storage; }

 private:
  std::string m_storage;
};

}  // namespace tavrpki::test

// Shared pieces of the kernel DSTU 4145 and key storage tests: parameter sets on
// named curves, the code of a failure, and a kernel whose configuration loads the
// file key storage plugin over a private directory.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "support/CodeOf.h"
#include "support/DkeParams.h"
#include "support/Fetch.h"
#include "support/KeyStorageSandbox.h"

namespace tavrpki::test {

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

}  // namespace tavrpki::test

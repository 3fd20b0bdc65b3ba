// Shared pieces of the signed-message tests: a kernel over a private
// configuration, signer certificates the library makes (with and without the
// system's own key-agreement and S-box extensions), results through the
// caller-buffer rule.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelSignatureEnvelope.h"
#include "kernel/CKernelSignerInfo.h"
#include "kernel/GetKernelInstance.h"
#include "support/CodeOf.h"
#include "support/ConfigSandbox.h"
#include "support/Fetch.h"
#include "support/VectorFile.h"

namespace tavrpki::test {

inline std::vector<unsigned char> MessageOf(Kernel::CKernelSignatureEnvelope& envelope) {
  return Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetEnvelopeBuffer(b, l); });
}

class CmsSandbox : public ConfigSandbox {
 public:
  explicit CmsSandbox(const std::string& extra = "") {
    WriteSystem("\"UseLog\"=dword:00000000\n\"RootOID\"=\"1.3.6.1.4.1.19398.1.1\"\n" + extra);
  }
};

// A self-signed signer on the 257-bit curve with DKE No. 1: `ownExtensions`
// adds the key-agreement key and the S-box extensions, as this system's CA writes.
struct Signer {
  Kernel::CKernelDoubleKeyPair keys;
  Kernel::CKernelCertificate cert;
};
Signer MakeSigner(const Kernel::CKernel& kernel, bool ownExtensions, __int64 serial = 0x1234567);

class CmsTest : public ::testing::Test {
 protected:
  CmsSandbox m_sandbox;
  Kernel::CKernel m_kernel = Kernel::GetKernelInstance();
};

}  // namespace tavrpki::test

// Shared pieces of the certificate class tests: a kernel over a private
// configuration, certificates loaded from the test data, and results fetched
// through the caller-buffer rule.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/GetKernelInstance.h"
#include "support/CodeOf.h"
#include "support/ConfigSandbox.h"
#include "support/Fetch.h"
#include "support/VectorFile.h"

namespace tavrpki::test {

inline std::vector<unsigned char> DerOf(const Kernel::CKernelCertificate& cert) {
  return Fetch([&](unsigned char* b, unsigned long* l) { cert.GetCertBuffer(b, l); });
}

inline Kernel::CKernelCertificate LoadCert(const Kernel::CKernel& kernel, const std::vector<std::uint8_t>& der,
                                           bool acceptAny = false) {
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), acceptAny);
  return cert;
}

// A certificate file under tests/data ("real/czo-2020-root.cer").
inline Kernel::CKernelCertificate LoadCertFile(const Kernel::CKernel& kernel, const std::string& file) {
  return LoadCert(kernel, ReadFileBytes(DataPath(file)));
}

// The root of the library's own OIDs in the tests' configuration.
inline constexpr const char* kTestOidRoot = "1.3.6.1.4.1.19398.1.1";

// A private configuration with logging off and the test OID root.
class CertSandbox : public ConfigSandbox {
 public:
  CertSandbox() {
    WriteSystem(std::string("\"UseLog\"=dword:00000000\n\"RootOID\"=\"") + kTestOidRoot + "\"");
  }
};

// A kernel from GetKernelInstance (which also builds the table of the library's
// own OIDs) over that configuration.
class CertTest : public ::testing::Test {
 protected:
  CertSandbox m_sandbox;  // before the kernel, which reads it
  Kernel::CKernel m_kernel = Kernel::GetKernelInstance();
};

}  // namespace tavrpki::test

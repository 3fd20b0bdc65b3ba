// LoadKeyPairs: the key pair stored under the certificate's key container name,
// loaded through the file key storage plugin, signs what the certificate's
// public key verifies.
#include <gtest/gtest.h>

#include "kernel/CKernelAllParams.h"
#include "kernel_cert/Fixtures.h"
#include "support/DkeParams.h"
#include "support/KeyStorageSandbox.h"

namespace tavrpki::test {
namespace {

TEST(CertificateKeyStorage, LoadKeyPairsByTheContainerName) {
  KeyStorageSandbox sandbox(std::string("\"RootOID\"=\"") + kTestOidRoot + "\"");
  const Kernel::CKernel kernel = GetKernelInstance();
  kernel.LoadStorage(sandbox.Storage().c_str());
  const Kernel::CKernelAllParams params = MakeParams(kernel);
  kernel.Generate4145DoubleKeyPair(params, false).Save("holder", "pw", nullptr);
  Kernel::CKernelDoubleKeyPair stored(kernel, false);
  stored.Load("holder", "pw", nullptr);

  Kernel::CKernelCertificate cert = LoadCertFile(kernel, "real/test-pki/userfiz.cer");
  cert.SetCertKeys(stored);
  char name[] = "holder";
  cert.SetKeyContainerName(name);

  const Kernel::CKernelDoubleKeyPair loaded = cert.LoadKeyPairs("pw", nullptr);
  const unsigned char data[] = "certificate holder";
  const std::vector<unsigned char> signature = Fetch([&](unsigned char* b, unsigned long* l) {
    kernel.EnsignBuffer(data, sizeof data, b, l, loaded, params);
  });
  EXPECT_TRUE(kernel.VerifyBufferSignature(data, sizeof data, signature.data(),
                                           static_cast<unsigned long>(signature.size()), cert));
  // The manager's own refusal passes through.
  EXPECT_EQ(CodeOf([&] { (void)cert.LoadKeyPairs("wrong", nullptr); }), 30013u);
}

}  // namespace
}  // namespace tavrpki::test

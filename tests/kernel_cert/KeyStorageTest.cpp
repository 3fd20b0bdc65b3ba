// LoadKeyPairs: the key pair stored under the certificate's key container name,
// loaded through the file key storage plugin, signs what the certificate's
// public key verifies.
#include <gtest/gtest.h>

#include <filesystem>

#include "crypto/params/Dke.h"
#include "kernel/CKernelAllParams.h"
#include "kernel_cert/Fixtures.h"

namespace tavrpki::test {
namespace {

// The test OID root, logging off, the file key storage plugin over a private
// directory, few key-derivation iterations.
class KeyStorageCertSandbox : public ConfigSandbox {
 public:
  KeyStorageCertSandbox() {
    WriteSystem(std::string("\"KeyStorageManager\"=\"") + TAVRPKI_FILEKEYSTORE_PATH +
                "\"\n\"UseLog\"=dword:00000000\n\"RootOID\"=\"" + kTestOidRoot + "\"");
    m_storage = (Root() / "keys").string();
    std::filesystem::create_directories(m_storage);
    Set("TAVRPKI_KEYSTORE_ITERATIONS", "2");
  }
  const std::string& Storage() const { return m_storage; }

 private:
  std::string m_storage;
};

TEST(CertificateKeyStorage, LoadKeyPairsByTheContainerName) {
  KeyStorageCertSandbox sandbox;
  const Kernel::CKernel kernel = GetKernelInstance();
  kernel.LoadStorage(sandbox.Storage().c_str());
  params::Dke dke = params::kDke1;
  Kernel::CKernelAllParams params(kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
  params.SetCryptParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
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

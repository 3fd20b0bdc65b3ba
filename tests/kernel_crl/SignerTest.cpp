// The signer of a list from the caller's certificate storage (a real SQLite store
// holding the real certificates): by the authority key identifier when the list
// has one, by the issuer name otherwise; a missing signer or storage is refused.
#include <tavrpki/SqliteCertStore.h>

#include "kernel/HandleCast.h"
#include "tests/kernel_crl/Fixtures.h"
#include "tests/sqlitestore/StoreSupport.h"

namespace tavrpki::test {
namespace {

class CrlSignerTest : public CertTest {
 protected:
  TempDir m_dir;
  SqliteCertStore m_store{m_dir.File("store.db")};

  void Add(const std::string& name) { m_store.Add(ReadFileBytes(DataPath(name))); }
};

TEST_F(CrlSignerTest, FoundByKeyIdentifierOrIssuerName) {
  const Kernel::CKernelCRL full = LoadCrlFile(m_kernel, "real/czo-2012-full-2016.crl");
  EXPECT_EQ(CodeOf([&] { full.GetSignerCertificate(); }), 100020u);

  for (const char* name : {"real/czo-2020-root.cer", "real/justice-ca-2015.cer", "real/czo-2012-root.cer",
                           "real/diia-qtsp-ca-2020.cer", "real/test-pki/root.cer"})
    Add(name);
  m_kernel.SetCertStorage(static_cast<CertStorage*>(&m_store));
  Kernel::CKernelCRL viaKeyId(m_kernel), viaName(m_kernel), stranger(m_kernel);
  viaKeyId = full;
  viaName = full;
  stranger = full;
  // Without the authority key identifier the issuer name is asked for.
  CrlOf(viaName).TBSCertList().CrlExtensions().Remove("2.5.29.35");
  // A list whose key identifier and issuer name nobody in the store has.
  CrlOf(stranger).TBSCertList().CrlExtensions().Remove("2.5.29.35");
  CrlOf(stranger).TBSCertList().Issuer() = CertificateOf(LoadCertFile(m_kernel, "real/diia-test-sign-2022.cer"))
                                               .TBSCertificate()
                                               .Subject();

  const std::vector<std::uint8_t> czo = ReadFileBytes(DataPath("real/czo-2012-root.cer"));
  EXPECT_EQ(DerOf(viaKeyId.GetSignerCertificate()), czo);
  EXPECT_EQ(DerOf(viaName.GetSignerCertificate()), czo);
  EXPECT_EQ(CodeOf([&] { stranger.GetSignerCertificate(); }), 100056u);

  Kernel::CKernelCRL diia(m_kernel);
  diia = LoadCrlFile(m_kernel, "real/diia-qtsp-ca-delta-2023.crl");
  const Kernel::CKernelCertificate signer = diia.GetSignerCertificate();
  EXPECT_EQ(DerOf(signer), ReadFileBytes(DataPath("real/diia-qtsp-ca-2020.cer")));
  EXPECT_TRUE(diia.VerifySignature(signer));
}

}  // namespace
}  // namespace tavrpki::test

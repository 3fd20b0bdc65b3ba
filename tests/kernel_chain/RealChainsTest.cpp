// Real chains of tests/data/real/ in a store: what Build finds, root last, and
// what Validate says at a time when the certificates were valid, with the
// stored revocation lists.
#include <gtest/gtest.h>

#include "tests/kernel_chain/Fixtures.h"
#include "tests/kernel_crl/Fixtures.h"

namespace tavrpki::test {
namespace {

struct RealCase {
  const char* name;
  std::vector<const char*> stored;  // under tests/data/real/, the first one trusted
  bool trustFirst;
  const char* cert;
  std::vector<const char*> chain;  // index 0 first
  _SYSTEMTIME at;
  bool crl;
  unsigned long code;  // 0: valid
};

void PrintTo(const RealCase& c, std::ostream* out) { *out << c.name; }

// The Diia delta list of 2023-09-19 is stored without its base list, which the
// test data lacks: FindCRL chooses a delta only for a base, so for the signing
// certificate no list is consulted.
const RealCase kCases[] = {
    {"diia-signing-at-2023-09-19",
     {"czo-2020-root.cer", "diia-qtsp-ca-2020.cer", "diia-test-sign-2022.cer", "diia-qtsp-ca-delta-2023.crl"},
     true, "diia-test-sign-2022.cer",
     {"diia-test-sign-2022.cer", "diia-qtsp-ca-2020.cer", "czo-2020-root.cer"}, At(2023, 9, 19, 18, 17, 18), true, 0},
    {"bank-person-2014",
     {"czo-2012-root.cer", "privatbank-ca-2012.cer", "privatbank-ee-2014-83C539.cer", "czo-2012-full-2016.crl",
      "czo-2012-delta-2016.crl"},
     true, "privatbank-ee-2014-83C539.cer",
     {"privatbank-ee-2014-83C539.cer", "privatbank-ca-2012.cer", "czo-2012-root.cer"}, At(2014, 6, 1), false, 0},
    // The root's 2016 list has the bank CA on hold since 2014-11-04; lists count
    // as they stand, whatever the validation time, so the CA is revoked.
    {"bank-seal-2014",
     {"czo-2012-root.cer", "privatbank-ca-2012.cer", "privatbank-ee-2014-E06F3A.cer", "czo-2012-full-2016.crl",
      "czo-2012-delta-2016.crl"},
     true, "privatbank-ee-2014-E06F3A.cer",
     {"privatbank-ee-2014-E06F3A.cer", "privatbank-ca-2012.cer", "czo-2012-root.cer"}, At(2014, 6, 1), true, 100025},
    // Trust is checked before any date: every certificate has expired by 2040,
    // yet no date line is collected.
    {"untrusted-root-before-dates",
     {"czo-2020-root.cer", "diia-qtsp-ca-2020.cer", "diia-test-sign-2022.cer"}, false, "diia-test-sign-2022.cer",
     {"diia-test-sign-2022.cer", "diia-qtsp-ca-2020.cer", "czo-2020-root.cer"}, At(2040, 1, 1), false, 100054},
    // The test PKI's root writes key usage as a 4-octet BIT STRING (00 00 00 06):
    // read as its usage octet 06, keyCertSign and cRLSign, so the root passes
    // the CA checks and verifies the lists; no end entity is listed in either.
    {"test-pki-root-alone",
     {"test-pki/root.cer", "test-pki/full.crl", "test-pki/delta.crl"}, true, "test-pki/root.cer",
     {"test-pki/root.cer"}, At(2016, 9, 27), true, 0},
    {"test-pki-person",
     {"test-pki/root.cer", "test-pki/userfiz.cer", "test-pki/full.crl", "test-pki/delta.crl"}, true,
     "test-pki/userfiz.cer", {"test-pki/userfiz.cer", "test-pki/root.cer"}, At(2016, 9, 27), true, 0},
    {"test-pki-legal-entity",
     {"test-pki/root.cer", "test-pki/userur.cer", "test-pki/full.crl", "test-pki/delta.crl"}, true,
     "test-pki/userur.cer", {"test-pki/userur.cer", "test-pki/root.cer"}, At(2016, 9, 27), true, 0},
    {"test-pki-ocsp-responder",
     {"test-pki/root.cer", "test-pki/ocsp.cer", "test-pki/full.crl", "test-pki/delta.crl"}, true,
     "test-pki/ocsp.cer", {"test-pki/ocsp.cer", "test-pki/root.cer"}, At(2016, 9, 27), true, 0},
};

class RealChain : public ChainTest, public ::testing::WithParamInterface<RealCase> {};

TEST_P(RealChain, BuildsAndValidates) {
  const RealCase& c = GetParam();
  for (std::size_t i = 0; i < c.stored.size(); ++i)
    Store(ReadFileBytes(DataPath(std::string("real/") + c.stored[i])), i == 0 && c.trustFirst);
  const auto cert = LoadCertFile(m_kernel, std::string("real/") + c.cert);
  const Kernel::CKernelCertificateChain chain = Kernel::CKernelCertificateChain::Build(m_kernel, cert);
  ASSERT_EQ(chain.GetCount(), c.chain.size());
  for (unsigned long i = 0; i < chain.GetCount(); ++i) {
    EXPECT_EQ(DerOf(chain.GetAt(i)), ReadFileBytes(DataPath(std::string("real/") + c.chain[i]))) << i;
    EXPECT_EQ(chain.IsTrustedCert(i), c.trustFirst && i + 1 == chain.GetCount()) << i;
  }
  EXPECT_EQ(Validate(chain, &c.at, c.crl), (Outcome{c.code, {}}));
}

INSTANTIATE_TEST_SUITE_P(Real, RealChain, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& ch : name) ch = ch == '-' ? '_' : ch;
                           return name;
                         });

// Now, long after they expired, the Diia chain's CA and signing certificate
// give one date line each, in chain order from the root down; the root is valid
// until 2030.
TEST_F(ChainTest, ExpiredCertificatesCollectOneLineEach) {
  for (const char* file : {"czo-2020-root.cer", "diia-qtsp-ca-2020.cer", "diia-test-sign-2022.cer"})
    Store(ReadFileBytes(DataPath(std::string("real/") + file)), std::string(file) == "czo-2020-root.cer");
  const auto chain =
      Kernel::CKernelCertificateChain::Build(m_kernel, LoadCertFile(m_kernel, "real/diia-test-sign-2022.cer"));
  const _SYSTEMTIME at = At(2026, 1, 1);
  const Outcome outcome = Validate(chain, &at, false);
  EXPECT_EQ(outcome.code, 0u);
  ASSERT_EQ(outcome.lines.size(), 2u);
  EXPECT_NE(outcome.lines[0].find("UA-43395033-1000"), std::string::npos);
  EXPECT_NE(outcome.lines[1].find("401065"), std::string::npos);
  EXPECT_EQ(CodeOf([&] { chain.Validate(false, false, false, nullptr); }), 100013u);  // now, throwing
}

}  // namespace
}  // namespace tavrpki::test

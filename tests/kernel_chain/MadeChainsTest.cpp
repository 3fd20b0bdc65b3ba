// Chains the test makes with the library (certificates from drafts, signed with
// keys made for each party; lists signed with CKernelCRL::Ensign), stored in a
// SQLite store and validated at 2026-06-01: each case one fault a CA or a
// relying party meets, and the code (or date lines) it must give.
#include <gtest/gtest.h>

#include "tests/kernel_chain/Fixtures.h"
#include "tests/kernel_chain/MadePki.h"
#include "tests/kernel_crl/Fixtures.h"

namespace tavrpki::test {
namespace {

struct MadeCase {
  const char* name;
  std::vector<CertPlan> pki;  // issuers before what they issue; the last one is validated
  std::vector<CrlPlan> crls;
  unsigned long code;
  std::vector<const char*> lines = {};  // the CN each collected date line names
};

void PrintTo(const MadeCase& c, std::ostream* out) { *out << c.name; }

const DateTime kHeld(2026, 3, 1), kReleased(2026, 4, 1);

const MadeCase kCases[] = {
    {"valid-with-lists", {{"root", nullptr}, {"ca", "root"}, {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"root", 1}, {"ca", 1}, {"ca", 2, 1}}, 0},
    // Only dates are collected; the rest of the chain is still checked.
    {"expired-intermediate",
     {{"root", nullptr}, {"ca", "root", nullptr, true, 0, kCaUsage, DateTime(2026, 5, 31, 23, 59, 59)},
      {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"root", 1}, {"ca", 1}}, 0, {"ca"}},
    {"path-length-one-ca",
     {{"root", nullptr, nullptr, true, 1}, {"ca1", "root"}, {"ee", "ca1", nullptr, false, 0, kSigningUsage}}, {}, 0},
    {"path-length-exceeded",
     {{"root", nullptr, nullptr, true, 1}, {"ca1", "root"}, {"ca2", "ca1"},
      {"ee", "ca2", nullptr, false, 0, kSigningUsage}},
     {}, 100016},
    // A constraint of 0 reads as none.
    {"path-length-zero-not-enforced",
     {{"root", nullptr}, {"ca1", "root"}, {"ca2", "ca1"}, {"ee", "ca2", nullptr, false, 0, kSigningUsage}}, {}, 0},
    {"ca-without-keyCertSign",
     {{"root", nullptr}, {"ca", "root", nullptr, true, 0, kCrlSignOnly},
      {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {}, 100018},
    {"ca-not-a-ca",
     {{"root", nullptr}, {"ca", "root", nullptr, false, 0, kCaUsage}, {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {}, 100015},
    {"revoked-in-full-list",
     {{"root", nullptr}, {"ca", "root"}, {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"ca", 1, -1, {{"ee", 1, kHeld}}}}, 100025},
    {"revoked-in-delta-list",
     {{"root", nullptr}, {"ca", "root"}, {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"ca", 1}, {"ca", 2, 1, {{"ee", 1, kHeld}}}}, 100025},
    {"list-changed-after-signing",
     {{"root", nullptr}, {"ca", "root"}, {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"ca", 1, -1, {}, true}}, 100024},
    // A CA revoked by its issuer's list fails before the end entity is reached.
    {"revoked-ca", {{"root", nullptr}, {"ca", "root"}, {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"root", 1, -1, {{"ca", 4, kHeld}}}}, 100025},
    // On hold in the full list, released (removeFromCRL) by a later delta entry.
    {"hold-released-by-delta",
     {{"root", nullptr}, {"ca", "root"}, {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"ca", 1, -1, {{"ee", 6, kHeld}}}, {"ca", 2, 1, {{"ee", 8, kReleased}}}}, 0},
    // The CA's lists are signed by a certificate of their own under the CA's
    // name; its chain is validated in turn.
    {"list-signer-valid",
     {{"root", nullptr}, {"ca", "root"}, {"signer", "root", "ca", false, 0, kCrlSignOnly},
      {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"signer", 1}}, 0},
    {"list-signer-under-untrusted-root",
     {{"root", nullptr}, {"other", nullptr, nullptr, true, 0, kCaUsage, DateTime(2030, 1, 1), true}, {"ca", "root"},
      {"signer", "other", "ca", false, 0, kCrlSignOnly}, {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"signer", 1}}, 100054},
    {"list-signer-expired",
     {{"root", nullptr}, {"ca", "root"},
      {"signer", "root", "ca", false, 0, kCrlSignOnly, DateTime(2026, 5, 1)},
      {"ee", "ca", nullptr, false, 0, kSigningUsage}},
     {{"signer", 1}}, 0, {"ca"}},
};

class MadeChain : public ChainTest, public ::testing::WithParamInterface<MadeCase> {};

TEST_P(MadeChain, ValidatesAsExpected) {
  const MadeCase& c = GetParam();
  MadePki pki(m_kernel, m_store);
  for (const CertPlan& plan : c.pki) pki.Issue(plan);
  for (const CrlPlan& plan : c.crls) pki.Sign(plan);
  const auto chain = Kernel::CKernelCertificateChain::Build(m_kernel, pki[c.pki.back().name].cert);
  const _SYSTEMTIME at = At(2026, 6, 1);
  const Outcome outcome = Validate(chain, &at, true);
  EXPECT_EQ(outcome.code, c.code);
  ASSERT_EQ(outcome.lines.size(), c.lines.size());
  for (std::size_t i = 0; i < c.lines.size(); ++i)
    EXPECT_NE(outcome.lines[i].find(std::string("CN = ") + c.lines[i] + ";"), std::string::npos) << outcome.lines[i];
  // Throwing on every failure, the first failure is the one thrown.
  const unsigned long first = c.lines.empty() ? c.code : 100013u;
  EXPECT_EQ(CodeOf([&] {
              Kernel::CKernelCertificateChain copy(chain);
              copy.SetValidationTime(&at);
              copy.Validate(true, false, false, nullptr);
            }),
            first);
}

// A list that verified once is remembered by its signature; the same signature
// over a changed body must still fail.
TEST_F(ChainTest, ChangedListFailsAfterTheSignedOneVerified) {
  MadePki pki(m_kernel, m_store);
  const std::vector<CertPlan> plans{{"root", nullptr}, {"ca", "root"}, {"ee", "ca", nullptr, false, 0, kSigningUsage}};
  for (const CertPlan& plan : plans)
    pki.Issue(plan);
  const std::int64_t signed_ = pki.Sign({"ca", 1});
  const auto chain = Kernel::CKernelCertificateChain::Build(m_kernel, pki["ee"].cert);
  const _SYSTEMTIME at = At(2026, 6, 1);
  EXPECT_EQ(Validate(chain, &at, true), Outcome{});
  std::vector<std::uint8_t> der = m_store.Export(signed_);
  m_store.Remove(signed_);
  const std::string thisUpdate = "260501000000Z";
  std::search(der.begin(), der.end(), thisUpdate.begin(), thisUpdate.end())[5] = '2';
  Store(der);
  EXPECT_EQ(Validate(chain, &at, true), (Outcome{100024, {}}));
}

INSTANTIATE_TEST_SUITE_P(Made, MadeChain, ::testing::ValuesIn(kCases), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name) ch = ch == '-' ? '_' : ch;
  return name;
});

}  // namespace
}  // namespace tavrpki::test

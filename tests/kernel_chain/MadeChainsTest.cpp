// Chains the test makes with the library (certificates from drafts, signed with
// keys made for each party; lists signed with CKernelCRL::Ensign), stored in a
// SQLite store and validated at 2026-06-01: each case one fault a CA or a
// relying party meets, and the code (or date lines) it must give.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "asn1/ASN1Utf8String.h"
#include "crypto/params/Dke.h"
#include "ext/PKIBasicConstraints.h"
#include "ext/PKIKeyUsage.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCRL.h"
#include "support/CertificateDraft.h"
#include "tests/kernel_chain/Fixtures.h"
#include "tests/kernel_crl/Fixtures.h"

namespace tavrpki::test {
namespace {

constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";
constexpr std::uint8_t kCaUsage = 0x06;       // keyCertSign, cRLSign
constexpr std::uint8_t kCrlSignOnly = 0x02;   // cRLSign
constexpr std::uint8_t kSigningUsage = 0xC0;  // digitalSignature, nonRepudiation

struct CertSpec {
  const char* name;
  const char* issuer;  // null: self-signed, trusted
  const char* subject = nullptr;  // CN; the name when null
  bool ca = true;
  int pathLen = 0;
  std::uint8_t usage = kCaUsage;
  DateTime notAfter = DateTime(2030, 1, 1);
  bool untrusted = false;  // for a self-signed one
};

struct Entry {
  const char* cert;
  std::uint8_t reason;
  DateTime date;
};

struct CrlSpec {
  const char* signer;
  int number;
  int base = -1;  // a delta list of that base number; -1: a full list
  std::vector<Entry> entries = {};
};

struct MadeCase {
  const char* name;
  std::vector<CertSpec> pki;  // issuers before what they issue; the last one is validated
  std::vector<CrlSpec> crls;
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

class MadeChain : public ChainTest, public ::testing::WithParamInterface<MadeCase> {
 protected:
  struct Party {
    Kernel::CKernelDoubleKeyPair keys;
    Kernel::CKernelCertificate cert;
  };

  Kernel::CKernelDoubleKeyPair MakeKeys() {
    Kernel::CKernelAllParams params(m_kernel);
    params.SetRandomSBox(m_dke.data());
    params.SetCryptSBox(m_dke.data());
    params.SetSignParams(m_kernel.GenerateAsymmetric4145Params(kCurve257, m_dke.data()));
    params.SetCryptParams(m_kernel.GenerateAsymmetric4145Params(kCurve257, m_dke.data()));
    return m_kernel.Generate4145DoubleKeyPair(params, false);
  }

  void Issue(const CertSpec& spec, std::int64_t serial) {
    ASN1Certificate draft;
    ASN1TBSCert& body = draft.TBSCertificate();
    body.SerialNumber().SetValue(serial);
    body.Issuer().AddAttribute("2.5.4.3", ASN1Utf8String("placeholder"));
    body.Subject().AddAttribute("2.5.4.3", ASN1Utf8String(spec.subject ? spec.subject : spec.name));
    body.SetValidity(DateTime(2026, 1, 1), spec.notAfter);
    PKIKeyUsage usage;
    usage.SetKeyUsage(spec.usage);
    body.Extensions().Append(usage.ToExtension());
    PKIBasicConstraints constraints;
    constraints.SetCA(spec.ca ? 1 : 0);
    constraints.SetPathLenConstraint(spec.pathLen);
    body.Extensions().Append(constraints.ToExtension());

    Kernel::CKernelDoubleKeyPair keys = MakeKeys();
    Kernel::CKernelCertificate cert = LoadCert(m_kernel, EncodeDraft(draft));
    cert.SetCertSignKeys(keys);
    cert.AddSubjectKeyIdentifier();
    const Party* issuer = spec.issuer ? &m_parties.at(spec.issuer) : nullptr;
    if (issuer == nullptr) {
      cert.MakeIssuerEqualSubject();
      cert.AddAuthorityKeyIdentifier();
    } else {
      cert.SetIssuerFromCert(issuer->cert);
      cert.AddAuthorityKeyIdentifier(issuer->cert);
    }
    cert.Ensign(issuer ? issuer->keys : keys, m_dke.data());
    Store(DerOf(cert), issuer == nullptr && !spec.untrusted);
    m_parties.emplace(spec.name, Party{keys, cert});
  }

  void Sign(const CrlSpec& spec) {
    Kernel::CKernelCRL crl(m_kernel);
    crl.SetThisUpdate(At(2026, 5, 1));
    crl.SetNextUpdate(At(2026, 7, 1));
    crl.SetSerialNo(spec.number);
    if (spec.base >= 0) crl.SetDeltaIndicator(spec.base);
    for (const Entry& entry : spec.entries)
      crl.AddNewEntry(m_parties.at(entry.cert).cert, entry.reason, entry.date.SystemTime());
    const Party& signer = m_parties.at(spec.signer);
    crl.Ensign(signer.cert, signer.keys, m_dke.data());
    Store(DerOf(crl));
  }

  std::map<std::string, Party> m_parties;
  params::Dke m_dke = params::kDke1;
};

TEST_P(MadeChain, ValidatesAsExpected) {
  const MadeCase& c = GetParam();
  std::int64_t serial = 100;
  for (const CertSpec& spec : c.pki) Issue(spec, ++serial);
  for (const CrlSpec& spec : c.crls) Sign(spec);
  const auto chain = Kernel::CKernelCertificateChain::Build(m_kernel, m_parties.at(c.pki.back().name).cert);
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

INSTANTIATE_TEST_SUITE_P(Made, MadeChain, ::testing::ValuesIn(kCases), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name) ch = ch == '-' ? '_' : ch;
  return name;
});

}  // namespace
}  // namespace tavrpki::test

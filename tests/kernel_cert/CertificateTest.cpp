// The certificate members on real certificates: what they refuse (and that a
// refusal changes nothing), the signature algorithms a load accepts and how each
// is verified, serial numbers, extension replacement, chains, the platform
// context, and a body changed after signing.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "asn1/x509/ASN1Certificate.h"
#include "kernel/CKernelCertificateChain.h"
#include "kernel/HandleCast.h"
#include "kernel_cert/Fixtures.h"

namespace tavrpki::test {
namespace {

using Kernel::CKernelCertificate;
using Kernel::CKernelCertificateChain;

constexpr const char* kRoot2020 = "real/czo-2020-root.cer";
constexpr const char* kQtspCa = "real/diia-qtsp-ca-2020.cer";
constexpr const char* kSignEe = "real/diia-test-sign-2022.cer";
constexpr const char* kTestRoot = "real/test-pki/root.cer";
constexpr const char* kUserfiz = "real/test-pki/userfiz.cer";
constexpr const char* kForeign = "real/test-pki/userfiz-foreign-signature.cer";

// A real certificate changed through the structure objects, as DER.
std::vector<std::uint8_t> Altered(const std::string& file, const std::function<void(ASN1Certificate&)>& change) {
  const std::vector<std::uint8_t> der = ReadFileBytes(DataPath(file));
  ASN1Certificate cert;
  cert.Decode(ByteView(der));
  change(cert);
  Blob out;
  cert.Encode(out);
  return {out.begin(), out.end()};
}

std::vector<std::string> ExtensionOids(const CKernelCertificate& cert) {
  std::vector<std::string> oids;
  for (const ASN1CertExtension& e : Kernel::CertificateOf(cert).TBSCertificate().Extensions())
    oids.emplace_back(e.OidText().CStr());
  return oids;
}

class Certificate : public CertTest {};

TEST_F(Certificate, RefusalsCarryTheirCodeAndChangeNothing) {
  CKernelCertificate cert = LoadCertFile(m_kernel, kUserfiz);
  const CKernelCertificate other = LoadCertFile(m_kernel, kRoot2020);
  const std::vector<unsigned char> before = DerOf(cert);
  unsigned char buffer[16];
  unsigned long length = sizeof buffer;
  const unsigned char byte = 0x30;
  CKernelCertificateChain empty(m_kernel);
  CKernelCertificateChain elsewhere(m_kernel);
  elsewhere.Add(other, true);
  const struct {
    const char* what;
    unsigned long code;
    std::function<void()> call;
  } cases[] = {
      {"load from null", 100021, [&] { cert.InitFromBuffer(nullptr, 10, false); }},
      {"load of nothing", 100021, [&] { cert.InitFromBuffer(&byte, 0, false); }},
      {"load of a lone tag", 0xFFFFFFFF, [&] { cert.InitFromBuffer(&byte, 1, false); }},
      {"writer without length", 100021, [&] { cert.GetCertBuffer(buffer, nullptr); }},
      {"short buffer", 100000, [&] { cert.GetCertBuffer(buffer, &length); }},
      {"serial octets without length", 100021, [&] { cert.GetSerialNo(buffer, nullptr); }},
      {"serial of 19 octets as a number", 50022, [&] { (void)cert.GetSerialNo(); }},
      {"extension without OID", 100021, [&] { cert.GetExtension(nullptr, buffer, &length); }},
      {"extension not there", 100004, [&] { cert.GetExtension("1.2.3.4", buffer, &length); }},
      {"add null extension", 100021, [&] { cert.AddExtension(nullptr, 3); }},
      {"add extension that is no SEQUENCE", 0xFFFFFFFF, [&] { cert.AddExtension(&byte, 1); }},
      {"subject serial null", 100021, [&] { cert.SetSubjectSerialNo(nullptr); }},
      {"subject serial empty", 100021, [&] { cert.SetSubjectSerialNo(""); }},
      {"handle null", 100021, [&] { cert.SetHandle(nullptr); }},
      {"sign without random S-box", 100021, [&] { cert.Ensign(other.GetCertSignKey(), nullptr); }},
      {"empty chain", 100012, [&] { (void)cert.VerifySignature(empty); }},
      {"chain of another certificate", 100052, [&] { (void)cert.VerifySignature(elsewhere); }},
      {"chain index past the end", 100041, [&] { (void)elsewhere.GetAt(1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CodeOf(c.call), c.code);
    EXPECT_EQ(DerOf(cert), before);
  }
}

// The outer algorithm decides whether a load is accepted and in which order the
// signature octets are checked; the body's own algorithm field plays no part.
TEST_F(Certificate, SignatureAlgorithmsAcceptedAndHowTheyVerify) {
  const CKernelCertificate issuer = LoadCertFile(m_kernel, kQtspCa);
  const struct {
    const char* oid;
    bool reverseOctets;
    bool loads;     // without acceptAnyAlgorithm
    bool verifies;  // once loaded (with acceptAnyAlgorithm when needed)
  } rows[] = {
      {"1.2.804.2.1.1.1.1.3.1.1", false, true, true},
      {"1.2.804.2.1.1.1.1.3.1.2", false, true, true},  // the basis named is not checked
      {"1.2.804.2.1.1.1.1.3.1.1.1.1", true, true, true},
      {"1.2.804.2.1.1.1.1.3.1.2.1.1", true, true, true},
      {"1.2.804.2.1.1.1.1.3.1.1.1.1", false, true, false},
      {"1.2.804.2.1.1.1.1.3.1.3", true, false, true},  // unknown: octets reversed too
      {"1.2.840.10045.4.3.2", false, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.oid);
    const std::vector<std::uint8_t> der = Altered(kSignEe, [&](ASN1Certificate& c) {
      c.SignatureAlgorithm().SetType(row.oid);
      if (row.reverseOctets) {
        const Blob signature = c.GetSignature();
        const std::vector<std::uint8_t> reversed(signature.View().rbegin(), signature.View().rend());
        c.SetSignature(ByteView(reversed));
      }
    });
    CKernelCertificate cert = LoadCertFile(m_kernel, kTestRoot);
    const std::vector<unsigned char> before = DerOf(cert);
    const unsigned long code =
        CodeOf([&] { cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false); });
    EXPECT_EQ(code, row.loads ? 0u : 100001u);
    if (!row.loads) {
      EXPECT_EQ(DerOf(cert), before);
      cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), true);
    }
    EXPECT_EQ(DerOf(cert), der);
    EXPECT_EQ(cert.VerifySignature(issuer.GetCertSignKey()), row.verifies);
  }
}

// The signature covers the body as read: one changed octet of the serial
// number and it no longer verifies, though the certificate still loads.
TEST_F(Certificate, ChangedBodyNoLongerVerifies) {
  const CKernelCertificate issuer = LoadCertFile(m_kernel, kQtspCa);
  std::vector<std::uint8_t> der = ReadFileBytes(DataPath(kSignEe));
  const CKernelCertificate genuine = LoadCert(m_kernel, der);
  ASSERT_TRUE(genuine.VerifySignature(issuer.GetCertSignKey()));
  // 30 82 .. .. 30 82 .. .. A0 03 02 01 02 02 14 <serial>
  ASSERT_EQ(der[13], 0x02);
  der[20] ^= 0x01;
  const CKernelCertificate changed = LoadCert(m_kernel, der);
  EXPECT_FALSE(changed.VerifySignature(issuer.GetCertSignKey()));
  // Under the wrong key, too, a signature is an answer, not a failure.
  EXPECT_FALSE(genuine.VerifySignature(genuine.GetCertSignKey()));
}

TEST_F(Certificate, SerialNumbers) {
  const struct {
    const char* file;
    const char* octets;
    __int64 value;  // 0: more than 8 octets, GetSerialNo() refuses (50022)
  } rows[] = {
      {"real/test-pki/ocsp.cer", "12A86D18DBC8B04C", 0x12A86D18DBC8B04C},
      {"real/privatbank-ee-2014-83C539.cer", "0083C539C16F20B8257B0F298E20141840", 0},
      {kRoot2020, "05E19E2CD92EA2990100000001000000C1000000", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    CKernelCertificate cert = LoadCertFile(m_kernel, row.file);
    unsigned long length = 0;
    cert.GetSerialNo(nullptr, &length);  // the length of the content octets, nothing else
    EXPECT_EQ(length, std::string(row.octets).size() / 2);
    EXPECT_EQ(Fetch([&](unsigned char* b, unsigned long* l) { cert.GetSerialNo(b, l); }), FromHex(row.octets));
    if (row.value != 0) {
      EXPECT_EQ(cert.GetSerialNo(), row.value);
    } else {
      EXPECT_EQ(CodeOf([&] { (void)cert.GetSerialNo(); }), 50022u);
    }
  }
  CKernelCertificate cert = LoadCertFile(m_kernel, kUserfiz);
  cert.SetSerialNo(128);  // a sign octet keeps it positive
  EXPECT_EQ(Fetch([&](unsigned char* b, unsigned long* l) { cert.GetSerialNo(b, l); }), FromHex("0080"));
  EXPECT_EQ(LoadCert(m_kernel, DerOf(cert)).GetSerialNo(), 128);
}

// AddExtension replaces the first extension with its OID by the new one at the
// end; GetExtension gives the complete DER that AddExtension takes.
TEST_F(Certificate, AddExtensionReplacesAndMovesToTheEnd) {
  CKernelCertificate cert = LoadCertFile(m_kernel, kRoot2020);
  std::vector<std::string> oids = ExtensionOids(cert);
  ASSERT_GE(oids.size(), 3u);
  const std::string first = oids.front();
  const std::vector<unsigned char> der =
      Fetch([&](unsigned char* b, unsigned long* l) { cert.GetExtension(first.c_str(), b, l); });
  cert.AddExtension(der.data(), static_cast<unsigned long>(der.size()));
  oids.push_back(first);
  oids.erase(oids.begin());
  EXPECT_EQ(ExtensionOids(cert), oids);
  EXPECT_EQ(Fetch([&](unsigned char* b, unsigned long* l) { cert.GetExtension(first.c_str(), b, l); }), der);

  const std::vector<std::uint8_t> fresh = FromHex("3009060355040B0402AABB");  // an OID not yet present
  cert.AddExtension(fresh.data(), static_cast<unsigned long>(fresh.size()));
  oids.push_back("2.5.4.11");
  EXPECT_EQ(ExtensionOids(cert), oids);
}

TEST_F(Certificate, ChainsVerifyFromTheRootDown) {
  const CKernelCertificate root = LoadCertFile(m_kernel, kRoot2020);
  const CKernelCertificate ca = LoadCertFile(m_kernel, kQtspCa);
  const CKernelCertificate ee = LoadCertFile(m_kernel, kSignEe);
  CKernelCertificateChain chain(m_kernel);
  chain.Add(ee, false);
  chain.Add(ca, false);
  chain.Add(root, true);
  EXPECT_TRUE(chain.GetAt(1) == ca);
  EXPECT_TRUE(ee.VerifySignature(chain));

  // The test root is self-signed; the foreign certificate names it as issuer
  // and has userfiz's names, so the chain is accepted as its own but fails.
  const CKernelCertificate testRoot = LoadCertFile(m_kernel, kTestRoot);
  const CKernelCertificate foreign = LoadCertFile(m_kernel, kForeign);
  CKernelCertificateChain test(m_kernel);
  test.Add(LoadCertFile(m_kernel, kUserfiz), false);
  test.Add(testRoot, true);
  EXPECT_TRUE(LoadCertFile(m_kernel, kUserfiz).VerifySignature(test));
  // Only the chain's certificates are verified: index 0 must merely carry this
  // certificate's names, so the foreign one passes with userfiz at index 0.
  EXPECT_TRUE(foreign.VerifySignature(test));
  CKernelCertificateChain withForeign(m_kernel);
  withForeign.Add(foreign, false);
  withForeign.Add(testRoot, true);
  EXPECT_FALSE(foreign.VerifySignature(withForeign));

  // A root that is not the last link: the chain's last certificate must verify
  // under its own key, and a CA certificate does not.
  CKernelCertificateChain noRoot(m_kernel);
  noRoot.Add(ee, false);
  noRoot.Add(ca, false);
  EXPECT_FALSE(ee.VerifySignature(noRoot));
}

TEST_F(Certificate, PlatformContextHoldsACopyOfTheDer) {
  CKernelCertificate cert = LoadCertFile(m_kernel, kSignEe);
  const std::vector<unsigned char> der = DerOf(cert);
  PCCERT_CONTEXT context = cert.GetWinCertContext();
  ASSERT_NE(context, nullptr);
  cert.SetSerialNo(5);  // the context's copy is the caller's own
  EXPECT_EQ(context->dwCertEncodingType, 0x00010001u);
  EXPECT_EQ(std::vector<unsigned char>(context->pbCertEncoded, context->pbCertEncoded + context->cbCertEncoded),
            der);
  EXPECT_EQ(CertFreeCertificateContext(context), TRUE);
}

// The platform's side: what it refuses and the reason it leaves behind.
TEST(CertContext, RefusalsLeaveTheReason) {
  const std::vector<std::uint8_t> good = FromHex("300300FF01");
  const struct {
    const char* what;
    DWORD encoding;
    std::vector<std::uint8_t> der;
    DWORD error;
  } rows[] = {
      {"one SEQUENCE", 0x00010001, good, 0},
      {"X.509 encoding alone", X509_ASN_ENCODING, good, 0},
      {"nothing", 0x00010001, {}, platform::kErrorInvalidParameter},
      {"another encoding", PKCS_7_ASN_ENCODING, good, platform::kErrorInvalidParameter},
      {"not a SEQUENCE", 0x00010001, FromHex("310300FF01"), platform::kErrorBadEncoding},
      {"length past the end", 0x00010001, FromHex("300400FF01"), platform::kErrorBadEncoding},
      {"bytes after the element", 0x00010001, FromHex("300300FF0100"), platform::kErrorBadEncoding},
      {"long form", 0x00010001, FromHex("30810300FF01"), 0},
      {"long form cut short", 0x00010001, FromHex("3082"), platform::kErrorBadEncoding},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    PCCERT_CONTEXT cert = CertCreateCertificateContext(row.encoding, row.der.empty() ? nullptr : row.der.data(),
                                                       static_cast<DWORD>(row.der.size()));
    EXPECT_EQ(GetLastError(), row.error);
    EXPECT_EQ(cert != nullptr, row.error == 0);
    PCCRL_CONTEXT crl = CertCreateCRLContext(row.encoding, row.der.empty() ? nullptr : row.der.data(),
                                             static_cast<DWORD>(row.der.size()));
    EXPECT_EQ(GetLastError(), row.error);
    if (crl != nullptr) {
      EXPECT_EQ(std::vector<std::uint8_t>(crl->pbCrlEncoded, crl->pbCrlEncoded + crl->cbCrlEncoded), row.der);
    }
    CertFreeCertificateContext(cert);
    CertFreeCRLContext(crl);
  }
}

}  // namespace
}  // namespace tavrpki::test

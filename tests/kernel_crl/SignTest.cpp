// Lists we make: a CA certificate and key pair made by the test sign a list with
// entries with and without a reason, a CRL number and a delta indicator; the
// list verifies, is strict DER, reads back as built, and every refusal of the
// signing and checking members carries its code and leaves the list unchanged.
#include "ext/PKIKeyUsage.h"
#include "ext/PKISubjKeyId.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelException.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/PublicKeyInfo.h"
#include "support/DkeParams.h"
#include "tests/asn1_x509/Support.h"
#include "tests/kernel_crl/Fixtures.h"

namespace tavrpki::test {
namespace {

class CrlSignTest : public CertTest {
 protected:
  // A self-signed CA on `curve` from the test PKI's root as template, with its
  // own new key, subject key identifier and key usage `usage`.
  Kernel::CKernelCertificate MakeCa(const Kernel::CKernelDoubleKeyPair& keys, std::uint8_t usage) {
    Kernel::CKernelCertificate ca = LoadCertFile(m_kernel, "real/test-pki/root.cer");
    ca.SetCertSignKeys(keys);
    PKISubjKeyId keyId;
    const auto id = pkix::SubjectKeyId(CertificateOf(ca).TBSCertificate().PublicKeyInfo());
    keyId.SetKeyId(ByteView(id));
    PKIKeyUsage keyUsage;
    keyUsage.SetKeyUsage(usage);
    for (const PKIEntityBase* handler : {static_cast<const PKIEntityBase*>(&keyId), static_cast<const PKIEntityBase*>(&keyUsage)}) {
      Blob extension;
      handler->ToExtension().Encode(extension);
      ca.AddExtension(extension.Data(), extension.Size());
    }
    ca.MakeIssuerEqualSubject();
    ca.Ensign(keys, m_dke.data());
    return ca;
  }

  Kernel::CKernelDoubleKeyPair MakeKeys(const char* curve) {
    return m_kernel.Generate4145DoubleKeyPair(MakeParams(m_kernel, curve, kCurve257), false);
  }

  // A list with two entries, a number and a delta indicator, not signed.
  Kernel::CKernelCRL MakeList() {
    Kernel::CKernelCRL crl(m_kernel);
    crl.SetThisUpdate(At(2026, 12, 6, 10, 0, 0));
    crl.SetNextUpdate(At(2026, 12, 13, 10, 0, 0));
    crl.SetSerialNo(5);
    crl.SetDeltaIndicator(4);
    crl.AddNewEntry(LoadCertFile(m_kernel, "real/test-pki/userfiz.cer"), 1, At(2026, 3, 1, 12, 30, 5));
    crl.AddNewEntry(LoadCertFile(m_kernel, "real/test-pki/userur.cer"), 255, At(2026, 3, 3));
    return crl;
  }

  params::Dke m_dke = params::kDke1;
};

TEST_F(CrlSignTest, ListWeSignVerifiesAndReadsBackAsBuilt) {
  for (const char* curve : {kCurve257, kCurve233Onb}) {
    SCOPED_TRACE(curve);
    const Kernel::CKernelDoubleKeyPair keys = MakeKeys(curve);
    const Kernel::CKernelCertificate ca = MakeCa(keys, 0x06);  // keyCertSign, cRLSign
    Kernel::CKernelCRL crl = MakeList();
    crl.Ensign(ca, keys, m_dke.data());
    EXPECT_TRUE(crl.VerifySignature(ca));
    EXPECT_TRUE(crl.VerifySignature(keys));
    EXPECT_FALSE(crl.VerifySignature(MakeKeys(kCurve257)));

    const std::vector<unsigned char> der = DerOf(crl);
    EXPECT_EQ(StrictDerProblem(ByteView(der)), "");
    const Kernel::CKernelCRL loaded = LoadCrl(m_kernel, der);
    EXPECT_TRUE(loaded.VerifySignature(ca));
    EXPECT_EQ(DerOf(loaded), der);

    const ASN1CRL& list = CrlOf(loaded);
    const bool normal = std::string(curve) == kCurve233Onb;
    const char* algorithm = normal ? "1.2.804.2.1.1.1.1.3.1.2" : "1.2.804.2.1.1.1.1.3.1.1";
    EXPECT_STREQ(list.SignatureAlgorithm().TypeText().CStr(), algorithm);
    EXPECT_STREQ(list.TBSCertList().Signature().TypeText().CStr(), algorithm);
    EXPECT_TRUE(list.TBSCertList().Issuer().Equals(CertificateOf(ca).TBSCertificate().Subject()));
    // The number appended on encoding, the delta indicator critical, the AKI last.
    EXPECT_EQ(Reads(list.TBSCertList().CrlExtensions()), "2.5.29.27!,2.5.29.35,2.5.29.20");
    EXPECT_EQ(loaded.GetSerialNo(), 5);
    EXPECT_EQ(loaded.GetBaseCRLNo(), 4);
    ASSERT_EQ(loaded.GetEntriesCount(), 2u);
    EXPECT_EQ(loaded.GetEntryReasonCode(0), 1);
    EXPECT_EQ(loaded.GetEntryReasonCode(1), 255);
    const _SYSTEMTIME date = loaded.GetEntryRevokeDate(0);
    EXPECT_EQ(std::make_tuple(date.wYear, date.wMonth, date.wDay, date.wHour, date.wMinute, date.wSecond),
              std::make_tuple(2026, 3, 1, 12, 30, 5));
    EXPECT_EQ(loaded.FindLastCertificate(LoadCertFile(m_kernel, "real/test-pki/userur.cer")), 1u);

    // The AKI carries the CA's key identifier and serial.
    PKISubjKeyId caKeyId;
    caKeyId.FromExtension(*CertificateOf(ca).TBSCertificate().Extensions().Find("2.5.29.14"));
    const std::vector<unsigned char> keyId(caKeyId.GetKeyId().begin(), caKeyId.GetKeyId().end());
    const ASN1CertExtension* aki = list.TBSCertList().CrlExtensions().Find("2.5.29.35");
    ASSERT_NE(aki, nullptr);
    ASN1AuthKeyID value;
    aki->DecodeValue(value);
    EXPECT_EQ(ToHex(std::vector<unsigned char>(value.KeyIdentifier().begin(), value.KeyIdentifier().end())),
              ToHex(keyId));
    EXPECT_EQ(value.AuthorityCertSerialNumber(), CertificateOf(ca).TBSCertificate().SerialNumber());

    // A second signing replaces the AKI and keeps one CRL number.
    crl.Ensign(ca, keys, m_dke.data());
    EXPECT_EQ(Reads(CrlOf(crl).TBSCertList().CrlExtensions()), "2.5.29.27!,2.5.29.20,2.5.29.35");
    EXPECT_TRUE(crl.VerifySignature(ca));
  }
}

TEST_F(CrlSignTest, NumbersAndDeltaIndicatorAreReplacedNotRepeated) {
  Kernel::CKernelCRL crl = LoadCrlFile(m_kernel, "real/czo-2012-delta-2016.crl");
  crl.SetSerialNo(17600);
  crl.SetDeltaIndicator(std::vector<unsigned char>{0x44, 0x70}.data(), 2);
  const Kernel::CKernelCRL reread = LoadCrl(m_kernel, DerOf(crl));
  EXPECT_EQ(reread.GetSerialNo(), 17600);
  EXPECT_EQ(reread.GetBaseCRLNo(), 0x4470);
  EXPECT_EQ(Reads(CrlOf(reread).TBSCertList().CrlExtensions()), "2.5.29.35,2.5.29.27!,2.5.29.20");
  crl.Clear();
  EXPECT_EQ(crl.GetEntriesCount(), 0u);
  EXPECT_FALSE(crl.IsDeltaCRL());
  EXPECT_EQ(CodeOf([&] { DerOf(crl); }), 50034u);  // no thisUpdate after Clear
}

TEST_F(CrlSignTest, RefusalsCarryTheirCodeAndChangeNothing) {
  const Kernel::CKernelDoubleKeyPair keys = MakeKeys(kCurve257);
  const Kernel::CKernelCertificate ca = MakeCa(keys, 0x06);
  const Kernel::CKernelCertificate noCrlSign = MakeCa(keys, 0x04);
  Kernel::CKernelCertificate noKeyUsage = ca;
  CertificateOf(noKeyUsage).TBSCertificate().Extensions().Remove("2.5.29.15");
  Kernel::CKernelCertificate noKeyId = ca;
  CertificateOf(noKeyId).TBSCertificate().Extensions().Remove("2.5.29.14");
  const std::vector<std::uint8_t> real = ReadFileBytes(DataPath("real/czo-2012-full-2016.crl"));
  std::vector<std::uint8_t> unknownAlgorithm = real;
  unknownAlgorithm[4 + 3200 + 14] = 0x03;  // outer algorithm ...3.1.1 becomes ...3.1.3

  Kernel::CKernelCRL crl = LoadCrlFile(m_kernel, "real/czo-2012-full-2016.crl");
  const std::vector<unsigned char> before = DerOf(crl);
  unsigned long length = 0;
  struct Case {
    const char* what;
    unsigned long code;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"Ensign without cRLSign", 100026, [&] { crl.Ensign(noCrlSign, keys, m_dke.data()); }},
      {"Ensign without key usage", 100017, [&] { crl.Ensign(noKeyUsage, keys, m_dke.data()); }},
      {"Ensign without key identifier", 100009, [&] { crl.Ensign(noKeyId, keys, m_dke.data()); }},
      {"Ensign without random S-box", 100021, [&] { crl.Ensign(ca, keys, nullptr); }},
      {"verify without cRLSign", 100022, [&] { crl.VerifySignature(noCrlSign); }},
      {"verify without key usage", 100017, [&] { crl.VerifySignature(noKeyUsage); }},
      {"load null", 100021, [&] { crl.InitFromBuffer(nullptr, 10); }},
      {"load empty", 100021, [&] { crl.InitFromBuffer(real.data(), 0); }},
      {"load unknown algorithm", 100019,
       [&] { crl.InitFromBuffer(unknownAlgorithm.data(), static_cast<unsigned long>(unknownAlgorithm.size())); }},
      {"load a certificate", 50035, [&] {
         const std::vector<std::uint8_t> cert = ReadFileBytes(DataPath("real/czo-2012-root.cer"));
         crl.InitFromBuffer(cert.data(), static_cast<unsigned long>(cert.size()));
       }},
      {"base number of a full list", 100027, [&] { crl.GetBaseCRLNo(); }},
      {"entry past the end", 100021, [&] { crl.GetEntryReasonCode(35); }},
      {"entry serial without length", 100021, [&] { crl.GetEntrySerialNo(0, nullptr, nullptr); }},
      {"entry serial without pointer", 100021, [&] { crl.GetEntrySerialNo(0, static_cast<__int64*>(nullptr)); }},
      {"number without length", 100021, [&] { crl.GetSerialNo(nullptr, nullptr); }},
      {"buffer without length", 100021, [&] { crl.GetCRLBuffer(nullptr, nullptr); }},
      {"buffer too short", 100000, [&] {
         unsigned char small[10];
         length = sizeof small;
         crl.GetCRLBuffer(small, &length);
       }},
      {"delta indicator from nothing", 100021, [&] { crl.SetDeltaIndicator(nullptr, 0); }},
      {"handle null", 100021, [&] { crl.SetHandle(nullptr); }},
      {"signer without storage", 100020, [&] { crl.GetSignerCertificate(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CodeOf(c.call), c.code);
    EXPECT_EQ(DerOf(crl), before);
  }
  // The key usage message names the certificate.
  try {
    crl.Ensign(noKeyUsage, keys, m_dke.data());
  } catch (const Kernel::CKernelException& e) {
    EXPECT_NE(std::string(e.GetErrorMessage()).find(CertificateOf(ca).TBSCertificate().Subject().ToText().CStr()),
              std::string::npos);
  }
}

}  // namespace
}  // namespace tavrpki::test

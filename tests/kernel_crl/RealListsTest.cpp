// The real revocation lists through the exported class: each loads, writes back
// what the structures promise, verifies under its issuer certificate (or is
// refused with the code the table gives), stops verifying when a signed byte
// changes, and answers its members as an independent reader of the DER does.
#include <cstring>

#include "kernel/HandleCast.h"
#include "tests/kernel_crl/Fixtures.h"

namespace tavrpki::test {
namespace {

class RealCrlTest : public CertTest {};

TEST_F(RealCrlTest, ListsVerifyUnderTheirIssuers) {
  const std::vector<Vector> vectors = ReadVectorFile("crl/real-crls.vec");
  ASSERT_EQ(vectors.size(), 5u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where() + " " + v.Get("file"));
    const std::vector<std::uint8_t> bytes = ReadFileBytes(DataPath(v.Get("file")));
    Kernel::CKernelCRL crl = LoadCrl(m_kernel, bytes);
    const Kernel::CKernelCertificate issuer = LoadCertFile(m_kernel, v.Get("issuer"));
    EXPECT_EQ(DerOf(crl), bytes);
    EXPECT_EQ(std::to_string(crl.GetEntriesCount()), v.Get("entries"));

    // Under the issuer's key, whatever its key usage says.
    EXPECT_TRUE(crl.VerifySignature(issuer.GetCertSignKey()));
    if (v.Get("verify") == "ok") {
      EXPECT_TRUE(crl.VerifySignature(issuer));
    } else {
      EXPECT_EQ(std::to_string(CodeOf([&] { crl.VerifySignature(issuer); })), v.Get("verify"));
    }

    // A changed byte of the body (the last octet of thisUpdate's seconds) fails.
    std::vector<std::uint8_t> damaged = bytes;
    const std::size_t bodyAt = 4, time = std::string(bytes.begin(), bytes.end()).find("Z", bodyAt) - 1;
    damaged[time] = damaged[time] == '0' ? '1' : '0';
    Kernel::CKernelCRL changed = LoadCrl(m_kernel, damaged);
    EXPECT_FALSE(changed.VerifySignature(issuer.GetCertSignKey()));
    // ... and so does a list verified under another CA's key.
    const Kernel::CKernelCertificate other = LoadCertFile(m_kernel, "real/czo-2020-root.cer");
    EXPECT_FALSE(crl.VerifySignature(other.GetCertSignKey()));
    for (const char* key : {"number", "base", "this", "next", "first", "last", "extensions", "signature_octets"})
      v.Skip(key);
    v.ExpectAllUsed();
  }
}

TEST_F(RealCrlTest, MembersReadTheFullAndDeltaLists) {
  const Kernel::CKernelCRL full = LoadCrlFile(m_kernel, "real/czo-2012-full-2016.crl");
  const Kernel::CKernelCRL delta = LoadCrlFile(m_kernel, "real/czo-2012-delta-2016.crl");
  EXPECT_EQ(full.GetSerialNo(), 17505);
  EXPECT_EQ(delta.GetSerialNo(), 17585);
  EXPECT_FALSE(full.IsDeltaCRL());
  EXPECT_TRUE(delta.IsDeltaCRL());
  EXPECT_EQ(delta.GetBaseCRLNo(), 17505);
  EXPECT_EQ(CodeOf([&] { full.GetBaseCRLNo(); }), 100027u);

  // 3004751DEF2C78AE010000000100000017000000 is listed twice: on hold, then superseded.
  Kernel::CKernelCertificate cert = LoadCertFile(m_kernel, "real/czo-2012-root.cer");
  CertificateOf(cert).TBSCertificate().SerialNumber().SetBytes(
      ByteView(FromHex("3004751DEF2C78AE010000000100000017000000")));
  const unsigned long last = full.FindLastCertificate(cert);
  ASSERT_EQ(last, 1u);
  EXPECT_EQ(full.GetEntryReasonCode(last), 4);  // superseded
  const _SYSTEMTIME date = full.GetEntryRevokeDate(last);
  EXPECT_EQ(std::make_tuple(date.wYear, date.wMonth, date.wDay, date.wHour, date.wMinute, date.wSecond),
            std::make_tuple(2012, 12, 18, 15, 11, 56));
  const std::vector<unsigned char> serial =
      Fetch([&](unsigned char* b, unsigned long* l) { full.GetEntrySerialNo(last, b, l); });
  EXPECT_EQ(ToHex(serial), "3004751def2c78ae010000000100000017000000");
  __int64 number = 0;
  EXPECT_EQ(CodeOf([&] { full.GetEntrySerialNo(last, &number); }), 50022u);  // 20 octets
  CertificateOf(cert).TBSCertificate().SerialNumber().SetBytes(ByteView(FromHex("0102")));
  EXPECT_EQ(full.FindLastCertificate(cert), 0xFFFFFFFFul);

  // The context holds the list's DER, and stays the caller's after the list is gone.
  PCCRL_CONTEXT context = nullptr;
  {
    const Kernel::CKernelCRL copy = full;
    context = copy.GetWinCRLContext();
  }
  ASSERT_NE(context, nullptr);
  const std::vector<std::uint8_t> bytes = ReadFileBytes(DataPath("real/czo-2012-full-2016.crl"));
  ASSERT_EQ(context->cbCrlEncoded, bytes.size());
  EXPECT_EQ(std::memcmp(context->pbCrlEncoded, bytes.data(), bytes.size()), 0);
  CertFreeCRLContext(context);
}

}  // namespace
}  // namespace tavrpki::test

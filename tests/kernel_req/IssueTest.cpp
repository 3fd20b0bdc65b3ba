// The certificate members a certification authority issues with: serials longer
// than 8 octets and a validity given outright, and their refusals, which leave
// the certificate as it was.
#include <vector>

#include "kernel/CKernelCertRequest.h"
#include "tests/kernel_crl/Fixtures.h"

namespace tavrpki::test {
namespace {

class IssueTest : public CertTest {
 protected:
  // An unsigned certificate converted from the bare hand-built request.
  Kernel::CKernelCertificate Fresh() {
    for (const Vector& v : ReadVectorFile("pkcs10/requests.vec")) {
      if (v.Where().find("[bare]") == std::string::npos) continue;
      const std::vector<std::uint8_t> der = FromHex(v.Get("request"));
      Kernel::CKernelCertRequest request(m_kernel);
      request.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()));
      return request.ConvertToCertificate();
    }
    ADD_FAILURE() << "no bare request";
    return Kernel::CKernelCertificate(m_kernel);
  }
};

TEST_F(IssueTest, SerialOfTwentyOctets) {
  Kernel::CKernelCertificate cert = Fresh();
  const std::vector<unsigned char> serial = FromHex("7F0102030405060708090A0B0C0D0E0F10111213");
  cert.SetSerialNo(serial.data(), static_cast<unsigned long>(serial.size()));
  EXPECT_EQ(Fetch([&](unsigned char* b, unsigned long* l) { cert.GetSerialNo(b, l); }), serial);
  EXPECT_EQ(CodeOf([&] { cert.GetSerialNo(); }), 50022u);  // more than a 64-bit value holds
  EXPECT_EQ(CodeOf([&] { cert.SetSerialNo(nullptr, 4); }), 100021u);
  EXPECT_EQ(CodeOf([&] { cert.SetSerialNo(serial.data(), 0); }), 100021u);
  EXPECT_EQ(Fetch([&](unsigned char* b, unsigned long* l) { cert.GetSerialNo(b, l); }), serial);
}

TEST_F(IssueTest, ValidityGivenOutright) {
  Kernel::CKernelCertificate cert = Fresh();
  cert.SetValidity(At(2026, 12, 6, 18, 0, 0), At(2027, 12, 6, 18, 0, 0));
  const std::vector<unsigned char> before = DerOf(cert);
  EXPECT_EQ(cert.GetDateValidNotBefore().wYear, 2026);
  EXPECT_EQ(cert.GetDateValidNotAfter().wYear, 2027);
  // One second the wrong way round is refused; the same instant twice is a
  // (degenerate) validity of its own.
  EXPECT_EQ(CodeOf([&] { cert.SetValidity(At(2027, 1, 1, 0, 0, 1), At(2027, 1, 1)); }), 100021u);
  EXPECT_EQ(DerOf(cert), before);
  cert.SetValidity(At(2030, 1, 1), At(2030, 1, 1));
  EXPECT_EQ(cert.GetDateValidNotAfter().wYear, 2030);
}

}  // namespace
}  // namespace tavrpki::test

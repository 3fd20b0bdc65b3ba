// The real certificates: load, write back unchanged, verify under the issuer's
// key taken from the issuer certificate, and the subject key identifier their
// CAs wrote.
#include <gtest/gtest.h>

#include "kernel_cert/Fixtures.h"

namespace tavrpki::test {
namespace {

using Kernel::CKernelCertificate;

std::vector<unsigned char> SubjectKeyId(const CKernelCertificate& cert) {
  return Fetch([&](unsigned char* b, unsigned long* l) { cert.GetSubjectKeyId(b, l); });
}

class RealCertificates : public CertTest {};

TEST_F(RealCertificates, LoadWriteBackAndVerifyUnderTheirIssuers) {
  for (const Vector& v : ReadVectorFile("kernel_cert/real-signatures.vec")) {
    SCOPED_TRACE(v.Where());
    const std::vector<std::uint8_t> der = ReadFileBytes(DataPath(v.Get("subject")));
    const CKernelCertificate subject = LoadCert(m_kernel, der);
    const CKernelCertificate issuer = LoadCertFile(m_kernel, v.Get("issuer"));
    EXPECT_EQ(DerOf(subject), der);
    EXPECT_EQ(subject.VerifySignature(issuer.GetCertSignKey()), v.Get("verifies") == "yes");

    CKernelCertificate rebuilt(subject);
    rebuilt.AddSubjectKeyIdentifier();
    const bool reproduced = SubjectKeyId(rebuilt) == SubjectKeyId(subject);
    EXPECT_EQ(reproduced ? "reproduced" : "other", v.Get("ski"));
    v.ExpectAllUsed();
  }
}

}  // namespace
}  // namespace tavrpki::test

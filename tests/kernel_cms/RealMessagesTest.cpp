// The real CAdES files through the exported classes: each signer is found with
// its certificate and verifies over the content; the wrong content of the
// detached file is a digest mismatch while the signature over the attributes
// still holds; the message writes back byte for byte. Damaged messages fail
// with one code and change nothing.
#include "kernel_cms/Fixtures.h"

namespace tavrpki::test {
namespace {

using Kernel::CKernelSignatureEnvelope;
using Kernel::CKernelSignerInfo;

class RealCms : public CmsTest {};

TEST_F(RealCms, VerifyTheRealFiles) {
  for (const Vector& v : ReadVectorFile("kernel_cms/real-verify.vec")) {
    SCOPED_TRACE(v.Where());
    const std::vector<std::uint8_t> message = ReadFileBytes(DataPath(v.Get("message")));
    CKernelSignatureEnvelope envelope(m_kernel);
    envelope.InitFromBuffer(message.data(), static_cast<unsigned long>(message.size()));
    EXPECT_EQ(envelope.GetIsExternalSignatureFlag(), v.Get("detached") == "yes");
    EXPECT_EQ(MessageOf(envelope), message);
    ASSERT_EQ(envelope.GetSignerInfoCount(), 1u);
    ASSERT_EQ(envelope.GetCertCount(), 1u);

    std::vector<unsigned char> content;
    if (v.Get("content") == "attached") {
      content = Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetData(b, l); });
    } else {
      content = ReadFileBytes(DataPath(v.Get("content")));
    }
    CKernelSignerInfo signer = envelope.GetSignerInfo(0);
    const bool verifies = signer.VerifySignatureOnData(content.data(), static_cast<unsigned long>(content.size()));
    EXPECT_EQ(verifies ? "yes" : "no", v.Get("verifies"));
    EXPECT_EQ(signer.TimeStampExists() ? "yes" : "no", v.Get("timestamp"));

    // The digest attribute as the hash checks the attribute signature alone.
    std::vector<unsigned char> digest = Fetch([&](unsigned char* b, unsigned long* l) { signer.GetMessageDigest(b, l); });
    unsigned char hash[32];
    const Kernel::CKernelDoubleKeyPair key = envelope.GetCertificate(0).GetCertSignKey();
    m_kernel.CalcHash(content.data(), static_cast<unsigned long>(content.size()), hash, key.GetHashSBox());
    EXPECT_EQ(std::vector<unsigned char>(hash, hash + 32) == digest ? "match" : "mismatch", v.Get("digest"));
    EXPECT_TRUE(signer.VerifyHashSignature(digest.data(), key));
    EXPECT_TRUE(signer.IsStandardSignedAttrs());
    v.ExpectAllUsed();
  }
}

TEST_F(RealCms, TimeStampTokenIsASignedMessage) {
  const std::vector<std::uint8_t> message = ReadFileBytes(DataPath("real/diia-cades-t-attached.p7s"));
  CKernelSignatureEnvelope envelope(m_kernel);
  envelope.InitFromBuffer(message.data(), static_cast<unsigned long>(message.size()));
  const CKernelSignerInfo signer = envelope.GetSignerInfo(0);
  std::vector<unsigned char> token = Fetch([&](unsigned char* b, unsigned long* l) { signer.GetTimeStamp(b, l); });
  CKernelSignatureEnvelope nested(m_kernel);
  nested.InitFromBuffer(token.data(), static_cast<unsigned long>(token.size()));
  EXPECT_EQ(nested.GetSignerInfoCount(), 1u);
  // The token carries no certificate: its signer cannot be bound.
  EXPECT_EQ(CodeOf([&] { (void)nested.GetSignerInfo(0); }), 100049u);
}

// Every truncation and every flipped byte of a real message: a coded failure
// that leaves the envelope as it was, or a message that is read consistently.
TEST_F(RealCms, DamagedMessages) {
  const std::vector<std::uint8_t> message = ReadFileBytes(DataPath("real/diia-cades-bes-attached.p7s"));
  const std::vector<std::uint8_t> other = ReadFileBytes(DataPath("real/diia-cades-bes-detached.p7s"));
  CKernelSignatureEnvelope envelope(m_kernel);
  envelope.InitFromBuffer(other.data(), static_cast<unsigned long>(other.size()));
  for (std::size_t size = 1; size < message.size(); ++size) {
    const std::vector<std::uint8_t> cut(message.begin(), message.begin() + static_cast<std::ptrdiff_t>(size));
    const unsigned long code = CodeOf([&] { envelope.InitFromBuffer(cut.data(), static_cast<unsigned long>(size)); });
    ASSERT_TRUE(code == 50051 || code == 50053) << size << " " << code;
  }
  EXPECT_EQ(MessageOf(envelope), other);
  EXPECT_EQ(CodeOf([&] { envelope.InitFromBuffer(nullptr, 1); }), 100021u);
  // Data in place of signed-data.
  std::vector<std::uint8_t> retyped(message);
  retyped[14] = 0x01;  // 1.2.840.113549.1.7.2 -> .1
  EXPECT_EQ(CodeOf([&] { envelope.InitFromBuffer(retyped.data(), static_cast<unsigned long>(retyped.size())); }),
            100021u);
  EXPECT_EQ(MessageOf(envelope), other);
}

}  // namespace
}  // namespace tavrpki::test

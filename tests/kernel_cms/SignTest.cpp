// Messages the library signs: both forms of the signed attributes, signer
// certificates with and without the system's own extensions, whole and streamed
// messages, and the coded failures of the envelope and the signer info.
#include <numeric>

#include "asn1/cms/ASN1ESSCertIDv2.h"
#include "asn1/cms/ASN1SignerInfo.h"
#include "asn1/cms/CmsOids.h"
#include "kernel_cms/Fixtures.h"

namespace tavrpki::test {
namespace {

using Kernel::CKernelSignatureEnvelope;
using Kernel::CKernelSignerInfo;

const ASN1SignerInfo& InfoOf(const CKernelSignerInfo& signer) {
  return *static_cast<const ASN1SignerInfo*>(signer.GetHandle());
}

std::vector<unsigned char> Data(std::size_t size) {
  std::vector<unsigned char> data(size);
  std::iota(data.begin(), data.end(), static_cast<unsigned char>(size));
  return data;
}

// A signer info over `data`, signed; `form` -1 leaves the choice to the configuration.
CKernelSignerInfo SignedInfo(const Kernel::CKernel& kernel, const Signer& signer,
                             const std::vector<unsigned char>& data, int form) {
  CKernelSignerInfo info(signer.cert);
  unsigned char hash[32];
  kernel.CalcHash(data.data(), static_cast<unsigned long>(data.size()), hash, signer.keys.GetHashSBox());
  info.SetMessageDigest(hash, sizeof hash);
  if (form != -1) info.SetStandardSignedAttrs(form == 1);
  info.CalculateSignature(signer.cert, signer.keys);
  return info;
}

std::vector<unsigned char> Envelope(const Kernel::CKernel& kernel, const Signer& signer,
                                    const CKernelSignerInfo& info, const std::vector<unsigned char>& data) {
  CKernelSignatureEnvelope envelope(kernel);
  envelope.AddCertificate(signer.cert);
  envelope.AddSignerInfo(info);
  envelope.SetData(data.data(), static_cast<unsigned long>(data.size()));
  return MessageOf(envelope);
}

class CmsSign : public CmsTest {};

// Sign, write, read back, verify: for both forms and both kinds of certificate;
// a changed byte of the content no longer verifies.
TEST_F(CmsSign, SignedMessagesVerify) {
  for (bool ownExtensions : {true, false}) {
    const Signer signer = MakeSigner(m_kernel, ownExtensions);
    for (int form : {0, 1}) {
      SCOPED_TRACE(std::to_string(ownExtensions) + " form " + std::to_string(form));
      std::vector<unsigned char> data = Data(1000);
      const CKernelSignerInfo info = SignedInfo(m_kernel, signer, data, form);
      const std::vector<unsigned char> message = Envelope(m_kernel, signer, info, data);

      CKernelSignatureEnvelope read(m_kernel);
      read.InitFromBuffer(message.data(), static_cast<unsigned long>(message.size()));
      CKernelSignerInfo found = read.GetSignerInfo(0);
      EXPECT_TRUE(found.VerifySignatureOnData(data.data(), static_cast<unsigned long>(data.size())));
      EXPECT_EQ(found.IsStandardSignedAttrs(), form == 1);
      data[500] ^= 1;
      EXPECT_FALSE(found.VerifySignatureOnData(data.data(), static_cast<unsigned long>(data.size())));

      // The standard form as RFC 5652 verifiers expect it; the own form as the system writes it.
      const ASN1SignerInfo& signed_ = InfoOf(found);
      EXPECT_EQ(signed_.DigestAlgorithm().Value().IsEmpty(), form == 1);
      Blob essDer;
      signed_.GetSignedAttribute(kOidAttrSigningCertificateV2).GetFirstValue().Encode(essDer);
      ASN1ESSCertIDv2 ess;
      ess.Decode(essDer);
      EXPECT_EQ(ess.IsGeneralNames(), form == 1);
      EXPECT_EQ(signed_.Signature().Size(), 64u);
    }
  }
}

TEST_F(CmsSign, ConfigurationChoosesTheFormUnlessTheObjectDoes) {
  m_sandbox.WriteUser("\"StandardSignedAttrs\"=dword:00000001");
  const Signer signer = MakeSigner(m_kernel, false);
  const std::vector<unsigned char> data = Data(64);
  EXPECT_TRUE(SignedInfo(m_kernel, signer, data, -1).IsStandardSignedAttrs());
  EXPECT_FALSE(SignedInfo(m_kernel, signer, data, 0).IsStandardSignedAttrs());
}

// A fresh signer info holds signing-certificate-v2 and content type, in that
// order, and cannot be signed before the digest is added.
TEST_F(CmsSign, FreshSignerInfo) {
  const Signer signer = MakeSigner(m_kernel, true);
  CKernelSignerInfo info(signer.cert);
  const ASN1SignerInfo& held = InfoOf(info);
  ASSERT_EQ(held.SignedAttrs().size(), 2u);
  EXPECT_STREQ(held.SignedAttrs()[0].TypeText().CStr(), kOidAttrSigningCertificateV2);
  EXPECT_STREQ(held.SignedAttrs()[1].TypeText().CStr(), kOidAttrContentType);
  EXPECT_EQ(held.DigestAlgorithm().Value().Size(), 128u);  // the S-box as parameters
  EXPECT_EQ(CodeOf([&] { info.CalculateSignature(signer.cert, signer.keys); }), 100050u);

  // A second content type is appended; the first still answers.
  info.SetContentType("1.2.3.4");
  std::vector<unsigned char> type = Fetch([&](unsigned char* b, unsigned long* l) {
    info.GetContentType(reinterpret_cast<char*>(b), l);
  });
  EXPECT_STREQ(reinterpret_cast<const char*>(type.data()), kOidData);
  EXPECT_EQ(held.SignedAttrs().size(), 3u);

  // A hash other than the digest attribute is refused before any signature check.
  const std::vector<unsigned char> data = Data(10);
  const CKernelSignerInfo signed_ = SignedInfo(m_kernel, signer, data, 1);
  CKernelSignerInfo copy(signed_);
  unsigned char other[32] = {1};
  EXPECT_FALSE(copy.VerifyHashSignature(other, signer.keys));
}

// Header, data and footer are the whole message, for sizes around every length form.
TEST_F(CmsSign, StreamedEqualsWhole) {
  const Signer signer = MakeSigner(m_kernel, false);
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{300}, std::size_t{65536},
                           std::size_t{10} << 20}) {
    SCOPED_TRACE(size);
    const std::vector<unsigned char> data = Data(size);
    const CKernelSignerInfo info = SignedInfo(m_kernel, signer, size == 0 ? Data(1) : data, 1);
    CKernelSignatureEnvelope envelope(m_kernel);
    envelope.AddCertificate(signer.cert);
    envelope.AddSignerInfo(info);
    envelope.SetDataSize(size);
    std::vector<unsigned char> streamed =
        Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetEnvelopeHeader(b, l); });
    streamed.insert(streamed.end(), data.begin(), data.end());
    const std::vector<unsigned char> footer =
        Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetEnvelopeFooter(b, l); });
    streamed.insert(streamed.end(), footer.begin(), footer.end());
    if (size != 0) envelope.SetData(data.data(), static_cast<unsigned long>(size));
    ASSERT_EQ(streamed, MessageOf(envelope));
  }
}

TEST_F(CmsSign, DetachedMessage) {
  const Signer signer = MakeSigner(m_kernel, true);
  const std::vector<unsigned char> data = Data(300);
  const CKernelSignerInfo info = SignedInfo(m_kernel, signer, data, 0);
  CKernelSignatureEnvelope envelope(m_kernel);
  envelope.AddCertificate(signer.cert);
  envelope.AddSignerInfo(info);
  envelope.SetIsExternalSignatureFlag(true);
  envelope.SetDataSize(0);
  std::vector<unsigned char> message =
      Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetEnvelopeHeader(b, l); });
  const std::vector<unsigned char> footer =
      Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetEnvelopeFooter(b, l); });
  message.insert(message.end(), footer.begin(), footer.end());
  EXPECT_EQ(message, MessageOf(envelope));

  CKernelSignatureEnvelope read(m_kernel);
  read.InitFromBuffer(message.data(), static_cast<unsigned long>(message.size()));
  EXPECT_TRUE(read.GetIsExternalSignatureFlag());
  unsigned long length = 99;
  read.GetData(nullptr, &length);
  EXPECT_EQ(length, 0u);
  EXPECT_TRUE(read.GetSignerInfo(0).VerifySignatureOnData(data.data(), static_cast<unsigned long>(data.size())));
}

TEST_F(CmsSign, CodedFailures) {
  const Signer signer = MakeSigner(m_kernel, false);
  const Signer stranger = MakeSigner(m_kernel, false, 0x7654321);  // same name, another serial
  const std::vector<unsigned char> data = Data(20);
  const CKernelSignerInfo info = SignedInfo(m_kernel, signer, data, 1);
  CKernelSignatureEnvelope withStranger(m_kernel);
  withStranger.AddCertificate(stranger.cert);
  withStranger.AddSignerInfo(info);
  CKernelSignatureEnvelope empty(m_kernel);
  empty.AddSignerInfo(info);
  unsigned long length = 0;
  std::vector<unsigned char> infoDer = Fetch([&](unsigned char* b, unsigned long* l) { info.GetSignerInfoBuffer(b, l); });
  // signatureAlgorithm 1.2.804.2.1.1.1.1.3.1.1 -> ...3.1.3
  std::vector<unsigned char> otherAlgorithm(infoDer);
  const std::vector<unsigned char> oid = {0x2A, 0x86, 0x24, 0x02, 0x01, 0x01, 0x01, 0x01, 0x03, 0x01, 0x01};
  auto at = std::search(otherAlgorithm.begin(), otherAlgorithm.end(), oid.begin(), oid.end());
  ASSERT_NE(at, otherAlgorithm.end());
  at[10] = 0x03;
  CKernelSignerInfo reader;

  struct Case {
    const char* name;
    std::function<void()> body;
    unsigned long code;
  } cases[] = {
      {"signer certificate not in the message", [&] { (void)withStranger.GetSignerInfo(0); }, 100049},
      {"signer index equal to the count", [&] { (void)withStranger.GetSignerInfo(1); }, 100049},
      {"certificate index equal to the count", [&] { (void)withStranger.GetCertificate(1); }, 100049},
      {"footer without certificates", [&] { empty.GetEnvelopeFooter(nullptr, &length); }, 100021},
      {"header without certificates", [&] { empty.GetEnvelopeHeader(nullptr, &length); }, 100021},
      {"signer info of another algorithm",
       [&] { reader.InitFromBuffer(otherAlgorithm.data(), static_cast<unsigned long>(otherAlgorithm.size())); },
       100019},
      {"truncated signer info", [&] { reader.InitFromBuffer(infoDer.data(), 10); }, 50052},
      {"null content type", [&] { reader.SetContentType(nullptr); }, 100021},
      {"time stamp that is no element", [&] {
         unsigned char junk[] = {0x30, 0x05, 0x01};
         reader.SetTimeStamp(junk, sizeof junk);
       }, 100046},
      {"absent time stamp", [&] { reader.GetTimeStamp(nullptr, &length); }, 100047},
      {"empty data", [&] { empty.SetData(data.data(), 0); }, 100021},
  };
  for (const Case& c : cases) EXPECT_EQ(CodeOf(c.body), c.code) << c.name;
  // The envelope whose signer is a stranger still writes and counts.
  EXPECT_EQ(withStranger.GetSignerInfoCount(), 1u);
  EXPECT_FALSE(MessageOf(withStranger).empty());
}

}  // namespace
}  // namespace tavrpki::test

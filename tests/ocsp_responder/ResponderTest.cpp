// The responder's answers, without HTTP: what it says of each kind of
// certificate, that the answer is one this system's client accepts (responder by
// key hash, signature over the body as sent, its certificate included), and
// that nothing a client sends makes it fail other than with malformedRequest.
#include "Fixture.h"
#include "OcspResponder.h"
#include "Requests.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelOCSP.h"

namespace tavrpki::test {
namespace {

using servers::LoopbackPki;
using servers::OcspResponder;

class ResponderTest : public ResponderPkiTest {
 protected:
  void SetUp() override {
    m_store = MakeStore("responder.db");
    m_source = std::make_unique<servers::StoreStatusSource>(*m_store, LoopbackPki::Der(Pki().ca));
    m_responder = std::make_unique<OcspResponder>(Pki().kernel, LoopbackPki::Der(Pki().ca),
                                                  LoopbackPki::Der(Pki().responder), Pki().responderKeys,
                                                  *m_source);
  }

  std::unique_ptr<SqliteCertStore> m_store;
  std::unique_ptr<servers::StoreStatusSource> m_source;
  std::unique_ptr<OcspResponder> m_responder;
};

TEST_F(ResponderTest, AnswersEachCertificateSignedByKeyHash) {
  ASN1OCSPCertID foreign = CertIdOf(Pki().good);
  foreign.SetIssuerKeyHash(ByteView(std::vector<std::uint8_t>(20, 0x5A)));
  ASN1OCSPCertID otherHash = CertIdOf(Pki().good);
  otherHash.HashAlgorithm().SetType("1.3.14.3.2.26");  // SHA-1: not how this CA is named
  const std::vector<ASN1OCSPCertID> ids = {CertIdOf(Pki().revoked), CertIdOf(Pki().good),
                                           CertIdOf(Pki().unissued), foreign, otherHash};
  const std::vector<std::uint8_t> nonce = {0x04, 0x08, 1, 2, 3, 4, 5, 6, 7, 8};

  const ASN1OCSPResponse response = Decoded(m_responder->Answer(RequestDer(ids, nonce)));
  ASSERT_EQ(response.ResponseStatus(), kOcspSuccessful);
  const ASN1OCSP_TBSResponse& body = response.TBSResponse();
  const auto responderKeyId =
      Fetch([&](unsigned char* b, unsigned long* l) { Pki().responder.GetSubjectKeyId(b, l); });
  EXPECT_EQ(std::vector<std::uint8_t>(body.ResponderKeyHash().begin(), body.ResponderKeyHash().end()),
            responderKeyId);
  ASSERT_EQ(response.Certificates().size(), 1u);
  const Blob& included = response.Certificates()[0];
  EXPECT_EQ(std::vector<std::uint8_t>(included.begin(), included.end()), LoopbackPki::Der(Pki().responder));
  const Blob signature = response.GetSignature();
  EXPECT_TRUE(Pki().kernel.VerifyBufferSignature(body.SignedBytes().data(),
                                                 static_cast<unsigned long>(body.SignedBytes().size()),
                                                 signature.Data(), signature.Size(), Pki().responder));
  EXPECT_STREQ(response.SignatureAlgorithm().TypeText().CStr(), "1.2.804.2.1.1.1.1.3.1.1");
  const Blob echoed = body.ResponseExtensions().Find(kOidOcspNonce) ? body.ResponseExtensions().Find(kOidOcspNonce)->Value() : Blob();
  EXPECT_EQ(std::vector<std::uint8_t>(echoed.begin(), echoed.end()), nonce);

  const std::uint8_t expected[] = {kOcspRevoked, kOcspGood, kOcspUnknown, kOcspUnknown, kOcspUnknown};
  ASSERT_EQ(body.Responses().size(), ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    SCOPED_TRACE(i);
    const ASN1OCSPSingleResponse& single = body.Responses()[i];
    EXPECT_EQ(single.CertStatus(), expected[i]);
    Blob sent, echoedId;
    ids[i].Encode(sent);
    single.CertID().Encode(echoedId);
    EXPECT_TRUE(sent.View().size() == echoedId.View().size() &&
                std::equal(sent.begin(), sent.end(), echoedId.begin()));
    EXPECT_TRUE(single.NextUpdate().Greater(single.ThisUpdate()));
    EXPECT_TRUE(single.ThisUpdate().Equal(body.ProducedAt()));
  }
  const ASN1OCSPSingleResponse& revoked = body.Responses()[0];
  EXPECT_EQ(revoked.RevocationReason(), LoopbackPki::kRevokedReason);
  EXPECT_TRUE(revoked.RevocationTime().Equal(DateTime(Pki().revokedAt)));
}

// The library's client takes the answers as they come: the status of the asked
// certificate, and for a revoked one the reason and the time, to the second.
TEST_F(ResponderTest, LibraryClientAcceptsTheAnswers) {
  Kernel::CKernel kernel = Pki().kernel;
  kernel.SetCertStorage(m_store.get());
  const std::pair<const Kernel::CKernelCertificate*, unsigned char> cases[] = {
      {&Pki().good, kOcspGood}, {&Pki().revoked, kOcspRevoked}, {&Pki().unissued, kOcspUnknown}};
  for (const auto& [cert, status] : cases) {
    SCOPED_TRACE(static_cast<int>(status));
    const std::vector<std::uint8_t> answer = m_responder->Answer(RequestDer({CertIdOf(*cert)}));
    Kernel::OCSPResponse result{};
    result.revocationReason = 77;
    Kernel::CKernelCertificate responder(kernel);
    Kernel::CKernelOCSP::CheckResponse(kernel, answer.data(), static_cast<unsigned long>(answer.size()), *cert,
                                       result, responder);
    EXPECT_EQ(result.certStatus, status);
    EXPECT_TRUE(responder == Pki().responder);
    if (status == kOcspRevoked) {
      EXPECT_EQ(result.revocationReason, LoopbackPki::kRevokedReason);
      const _SYSTEMTIME& at = result.revocationTime;
      EXPECT_EQ(std::make_tuple(at.wYear, at.wMonth, at.wDay, at.wHour, at.wMinute, at.wSecond),
                std::make_tuple(Pki().revokedAt.wYear, Pki().revokedAt.wMonth, Pki().revokedAt.wDay,
                                Pki().revokedAt.wHour, Pki().revokedAt.wMinute, Pki().revokedAt.wSecond));
    } else if (status == kOcspGood) {
      EXPECT_EQ(result.revocationReason, 77u);
    }
  }
}

TEST_F(ResponderTest, JunkIsMalformedRequest) {
  const std::vector<std::uint8_t> valid = RequestDer({CertIdOf(Pki().good)});
  std::vector<std::vector<std::uint8_t>> junk = {
      {},
      {0x30, 0x00},
      {0x04, 0x02, 0x30, 0x00},
      RequestDer({}),  // no certificate asked about
      std::vector<std::uint8_t>(valid.begin(), valid.end() - 1),
  };
  for (std::size_t cut = 1; cut < valid.size(); cut += 7) junk.emplace_back(valid.begin(), valid.begin() + cut);
  for (const auto& request : junk) {
    SCOPED_TRACE(request.size());
    EXPECT_EQ(m_responder->Answer(request), OcspResponder::StatusOnly(kOcspMalformedRequest));
  }
}

}  // namespace
}  // namespace tavrpki::test

// Chain validation with OCSP: a responder run in the test process (the servers
// framework, a free loopback port) answers for every certificate from a table
// of statuses, signing as a responder certificate the CA issued. Strict and
// non-strict modes, the fall-back to the lists, the configured responder URL
// for certificates that name none, and a responder that is down.
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "asn1/Base64.h"
#include "asn1/ocsp/ASN1OCSPRequest.h"
#include "asn1/ocsp/ASN1OCSPResponse.h"
#include "asn1/ocsp/OcspOids.h"
#include "ext/PKISubjKeyId.h"
#include "kernel/HandleCast.h"
#include "servers/HttpServer.h"
#include "tests/kernel_chain/Fixtures.h"
#include "tests/kernel_chain/MadePki.h"
#include "tests/kernel_crl/Fixtures.h"

namespace tavrpki::test {
namespace {

constexpr const char* kOcspSigning = "1.3.6.1.5.5.7.3.9";

class OcspChainTest : public ChainTest {
 protected:
  OcspChainTest() {
    for (const CertPlan& plan : std::vector<CertPlan>{
             {"root", nullptr},
             {"ca", "root"},
             {"responder", "ca", nullptr, false, 0, kSigningUsage, DateTime(2030, 1, 1), false, kOcspSigning},
             {"ee", "ca", nullptr, false, 0, kSigningUsage}})
      m_pki.Issue(plan);
    m_chain = Kernel::CKernelCertificateChain::Build(m_kernel, m_pki["ee"].cert);
  }

  // The status the responder gives the certificate with this serial (good when
  // not set), signed by the responder's key.
  Blob Answer(ByteView requestDer) {
    ASN1OCSPRequest request;
    request.Decode(requestDer);
    ASN1OCSPResponse response;
    ASN1OCSP_TBSResponse& body = response.TBSResponse();
    PKISubjKeyId keyId;
    keyId.FromExtension(*CertificateOf(m_pki["responder"].cert).TBSCertificate().Extensions().Find("2.5.29.14"));
    body.SetResponderKeyHash(keyId.GetKeyId().View());
    body.SetProducedAt(DateTime(2026, 6, 1));
    ASN1OCSPSingleResponse single;
    single.CertID() = request.TBSRequest().RequestList().at(0);
    const auto status = m_status.find(single.CertID().SerialNumber().GetValue());
    single.SetCertStatus(status == m_status.end() ? kOcspGood : status->second);
    if (single.CertStatus() != kOcspGood) single.SetRevocationTime(DateTime(2026, 5, 1));
    single.SetRevocationReason(single.CertStatus() == kOcspRevoked ? 1 : kOcspNoReason);
    single.SetThisUpdate(DateTime(2026, 6, 1));
    body.Responses().push_back(single);
    Blob signedBytes;
    body.Encode(signedBytes);
    const auto signature = Fetch([&](unsigned char* b, unsigned long* l) {
      m_kernel.EnsignBuffer(signedBytes.Data(), signedBytes.Size(), b, l, m_pki["responder"].keys, m_pki.Params());
    });
    response.SignatureAlgorithm().SetType("1.2.804.2.1.1.1.1.3.1.1");
    response.SetSignature(ByteView(signature.data(), signature.size()));
    Blob der;
    response.Encode(der);
    return der;
  }

  std::int64_t Serial(const char* name) {
    return CertificateOf(m_pki[name].cert).TBSCertificate().SerialNumber().GetValue();
  }

  Outcome Check(bool crl, bool strict, const std::string& url) {
    const _SYSTEMTIME at = At(2026, 6, 1);
    return Validate(m_chain, &at, crl, true, strict, url.empty() ? nullptr : url.c_str());
  }

  MadePki m_pki{m_kernel, m_store};
  Kernel::CKernelCertificateChain m_chain{m_kernel};
  std::map<std::int64_t, std::uint8_t> m_status;  // set before the server runs
  std::mutex m_lock;                              // the server answers on its own threads
  servers::HttpServer m_server{[this](const servers::HttpRequest& request) {
    const std::lock_guard<std::mutex> lock(m_lock);
    const Blob answer = Answer(Base64Decode(servers::UnescapePath(request.path.substr(1))).View());
    return servers::HttpReply{200, "application/ocsp-response", {answer.begin(), answer.end()}};
  }};
};

// The made certificates name no responder: every one asks the configured URL.
TEST_F(OcspChainTest, StatusesStrictAndNot) {
  struct Case {
    const char* name;
    std::uint8_t status;  // of the end entity
    bool listed;          // in the CA's list too
    bool strict;
    unsigned long code;
  };
  const Case cases[] = {
      {"good", kOcspGood, false, true, 0},
      {"revoked, strict", kOcspRevoked, false, true, 100039},
      {"unknown, strict", kOcspUnknown, false, true, 100040},
      // An answer, whatever it says, stands in for the lists when not strict.
      {"revoked, not strict", kOcspRevoked, true, false, 0},
      {"good, listed: the list is not read", kOcspGood, true, true, 0},
  };
  std::int64_t list = -1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_status[Serial("ee")] = c.status;
    if (list >= 0) m_store.Remove(list);
    list = m_pki.Sign({"ca", 1, -1, c.listed ? std::vector<EntrySpec>{{"ee", 1, DateTime(2026, 5, 1)}} : std::vector<EntrySpec>{}});
    EXPECT_EQ(Check(true, c.strict, m_server.Url()), (Outcome{c.code, {}}));
  }
}

TEST_F(OcspChainTest, WithoutResponderTheListsDecideUnlessStrict) {
  m_pki.Sign({"ca", 1, -1, {{"ee", 1, DateTime(2026, 5, 1)}}});
  // No responder named and none configured: 100033.
  EXPECT_EQ(Check(true, true, ""), (Outcome{100033, {}}));
  EXPECT_EQ(Check(true, false, ""), (Outcome{100025, {}}));
  EXPECT_EQ(Check(false, false, ""), (Outcome{}));
  // A responder that is down: the transport's failure, or the lists.
  const std::string url = m_server.Url();
  m_server.Stop();
  EXPECT_NE(Check(true, true, url).code, 0u);
  EXPECT_EQ(Check(true, false, url), (Outcome{100025, {}}));
}

}  // namespace
}  // namespace tavrpki::test

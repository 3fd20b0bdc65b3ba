// The OCSP client over answers a test responder builds with the library's own
// structures and signs with test keys: statuses carried through, every refusal
// with its code, and a certificate it cannot ask about refused before sending.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "../kernel_cert/Fixtures.h"
#include "../sqlitestore/StoreSupport.h"
#include "asn1/ASN1PrintableString.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/Base64.h"
#include "asn1/ocsp/ASN1OCSPRequest.h"
#include "asn1/ocsp/ASN1OCSPResponse.h"
#include "core/MessageText.h"
#include "ext/PKIBasicConstraints.h"
#include "ext/PKIExtendedKeyUsage.h"
#include "ext/PKIKeyUsage.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelException.h"
#include "kernel/CKernelOCSP.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/Ocsp.h"
#include "servers/HttpServer.h"
#include "support/CertificateDraft.h"
#include "support/DkeParams.h"
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

using Kernel::CKernelCertificate;
using Kernel::CKernelDoubleKeyPair;

// A certificate template: names, validity, and the extended key usage given
// (none when empty); for a CA also key usage and basic constraints.
std::vector<std::uint8_t> Template(const char* commonName, bool ca, const std::vector<const char*>& purposes) {
  ASN1Certificate cert;
  ASN1TBSCert& body = cert.TBSCertificate();
  body.SerialNumber().SetValue(1);
  body.Issuer().AddAttribute("2.5.4.3", ASN1Utf8String("placeholder"));
  body.Subject().AddAttribute("2.5.4.3", ASN1Utf8String(commonName));
  body.Subject().AddAttribute("2.5.4.6", ASN1PrintableString("UA"));
  body.SetValidity(DateTime(2026, 1, 1), DateTime(2036, 1, 1));
  if (ca) {
    PKIKeyUsage usage;
    usage.SetKeyUsage(0x06);
    body.Extensions().Append(usage.ToExtension());
    PKIBasicConstraints constraints;
    constraints.SetCA(1);
    body.Extensions().Append(constraints.ToExtension());
  }
  if (!purposes.empty()) {
    PKIExtendedKeyUsage usage;
    for (const char* oid : purposes) usage.Add(oid);
    body.Extensions().Append(usage.ToExtension());
  }
  return EncodeDraft(cert);
}

// A small PKI: a CA, responders of several kinds and the certificates asked about.
struct Pki {
  Kernel::CKernel kernel;  // a copy of its own: the PKI outlives the test that made it
  Kernel::CKernelAllParams params;
  // Every responder has keys of its own: the store finds responders by key identifier.
  CKernelDoubleKeyPair caKeys, responderKeys, tlsKeys, plainKeys, otherKeys;
  CKernelCertificate ca, responder, notOcspSigner, withoutPurposes, unstored, asked, sibling, withoutAki;

  explicit Pki(Kernel::CKernel& k)
      : kernel(k), params(MakeParams(k)), caKeys(k.Generate4145DoubleKeyPair(params, false)),
        responderKeys(k.Generate4145DoubleKeyPair(params, false)), tlsKeys(k.Generate4145DoubleKeyPair(params, false)),
        plainKeys(k.Generate4145DoubleKeyPair(params, false)), otherKeys(k.Generate4145DoubleKeyPair(params, false)),
        ca(Make("Test CA", true, {}, caKeys, nullptr, 1)),
        responder(Make("Test OCSP", false, {"1.3.6.1.5.5.7.3.9"}, responderKeys, &ca, 2)),
        notOcspSigner(Make("Test TLS", false, {"1.3.6.1.5.5.7.3.2"}, tlsKeys, &ca, 3)),
        withoutPurposes(Make("Test plain", false, {}, plainKeys, &ca, 4)),
        unstored(Make("Test OCSP not stored", false, {"1.3.6.1.5.5.7.3.9"}, otherKeys, &ca, 5)),
        asked(Make("Asked", false, {}, otherKeys, &ca, 0x1234)), sibling(Make("Sibling", false, {}, otherKeys, &ca, 0x5678)),
        withoutAki(LoadCert(k, Template("No AKI", false, {}))) {}

  CKernelCertificate Make(const char* name, bool isCa, const std::vector<const char*>& purposes,
                          const CKernelDoubleKeyPair& keys, const CKernelCertificate* issuer, __int64 serial) {
    CKernelCertificate cert = LoadCert(kernel, Template(name, isCa, purposes));
    cert.SetCertKeys(keys);
    cert.SetSerialNo(serial);
    cert.AddSubjectKeyIdentifier();
    if (issuer == nullptr) {
      cert.MakeIssuerEqualSubject();
      cert.AddAuthorityKeyIdentifier();
    } else {
      cert.SetIssuerFromCert(*issuer);
      cert.AddAuthorityKeyIdentifier(*issuer);
    }
    params::Dke randomSBox = params::kDke1;
    cert.Ensign(issuer == nullptr ? keys : caKeys, randomSBox.data());
    return cert;
  }
};

std::vector<unsigned char> SubjectKeyId(const CKernelCertificate& cert) {
  return Fetch([&](unsigned char* b, unsigned long* l) { cert.GetSubjectKeyId(b, l); });
}

// What the test responder answers: the status, who it says it is, who signs,
// and one single response per entry (the certificate and its status).
struct Single {
  const CKernelCertificate* cert;
  std::uint8_t status;
  std::uint32_t reason = kOcspNoReason;
};
struct Scenario {
  std::string name;
  std::uint8_t responseStatus = 0;
  const CKernelCertificate* responderId = nullptr;  // null: by name
  const CKernelDoubleKeyPair* signer = nullptr;
  std::vector<Single> singles;
};

// The answer to `request` (a DER OCSP request) under `scenario`.
Blob Answer(const Pki& pki, const Scenario& scenario, ByteView requestDer) {
  ASN1OCSPRequest request;
  request.Decode(requestDer);
  ASN1OCSPResponse response;
  response.SetResponseStatus(scenario.responseStatus);
  ASN1OCSP_TBSResponse& body = response.TBSResponse();
  if (scenario.responderId != nullptr) {
    const auto keyId = SubjectKeyId(*scenario.responderId);
    body.SetResponderKeyHash(ByteView(keyId.data(), keyId.size()));
  } else {
    body.ResponderName().AddAttribute("2.5.4.3", ASN1Utf8String("Test OCSP"));
  }
  body.SetProducedAt(DateTime(2026, 3, 2, 10));
  for (const Single& entry : scenario.singles) {
    ASN1OCSPSingleResponse single;
    // The asked certificate's identifier as the request carried it; others made alike.
    single.CertID() = request.TBSRequest().RequestList().at(0);
    single.CertID().SerialNumber() = Kernel::CertificateOf(*entry.cert).TBSCertificate().SerialNumber();
    single.SetCertStatus(entry.status);
    if (entry.status == kOcspRevoked) single.SetRevocationTime(DateTime(2026, 2, 14, 9, 30, 15));
    single.SetRevocationReason(entry.reason);
    single.SetThisUpdate(DateTime(2026, 3, 2, 10));
    body.Responses().push_back(single);
  }
  Blob signedBytes;
  body.Encode(signedBytes);
  const auto signature = Fetch([&](unsigned char* b, unsigned long* l) {
    pki.kernel.EnsignBuffer(signedBytes.Data(), signedBytes.Size(), b, l, *scenario.signer, pki.params);
  });
  response.SignatureAlgorithm().SetType("1.2.804.2.1.1.1.1.3.1.1");
  response.SetSignature(ByteView(signature.data(), signature.size()));
  Blob der;
  response.Encode(der);
  return der;
}

// The client against a responder on a loopback port that answers every request
// under the scenario the test set.
class OcspClientTest : public CertTest {
 protected:
  static std::unique_ptr<Pki> s_pki;
  TempDir m_dir;
  SqliteCertStore m_store{m_dir.File("store.db")};
  std::mutex m_lock;
  Scenario m_scenario;
  int m_requests = 0;
  servers::HttpServer m_server{[this](const servers::HttpRequest& request) {
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_requests;
    // GET /<Base64 of the request, "/" and "+" escaped>
    const Blob der = Base64Decode(servers::UnescapePath(request.path.substr(1)));
    const Blob answer = Answer(*s_pki, m_scenario, der.View());
    return servers::HttpReply{200, "application/ocsp-response", {answer.begin(), answer.end()}};
  }};

  void SetUp() override {
    if (!s_pki) s_pki = std::make_unique<Pki>(m_kernel);
    for (const CKernelCertificate* cert : {&s_pki->ca, &s_pki->responder, &s_pki->notOcspSigner, &s_pki->withoutPurposes})
      m_store.Add(DerOf(*cert));
    m_kernel.SetCertStorage(static_cast<CertStorage*>(&m_store));
  }

  // The client's verdict on `cert` with the responder answering under `scenario`.
  void Ask(const Scenario& scenario, const CKernelCertificate& cert, Kernel::OCSPResponse& result,
           CKernelCertificate& responder) {
    SetScenario(scenario);
    Kernel::CKernelOCSP::GetCertStatus(m_kernel, m_server.Url().c_str(), cert, result, responder);
  }

  void SetScenario(const Scenario& scenario) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_scenario = scenario;
  }

  int Requests() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
  }
};

std::unique_ptr<Pki> OcspClientTest::s_pki;

std::string ShowTime(const _SYSTEMTIME& t) { return Show(DateTime(t)); }

TEST_F(OcspClientTest, StatusesAreCarriedThrough) {
  const Pki& p = *s_pki;
  struct Case {
    Scenario scenario;
    std::string expected;  // "status reason time" as the result holds it
  };
  const std::vector<Case> cases = {
      {{"good", 0, &p.responder, &p.responderKeys, {{&p.asked, kOcspGood}}}, "0 untouched"},
      {{"revoked", 0, &p.responder, &p.responderKeys, {{&p.asked, kOcspRevoked, 1}}}, "1 1 2026-02-14 09:30:15"},
      {{"revoked, no reason", 0, &p.responder, &p.responderKeys, {{&p.asked, kOcspRevoked}}}, "1 255 2026-02-14 09:30:15"},
      {{"unknown", 0, &p.responder, &p.responderKeys, {{&p.asked, kOcspUnknown}}}, "2 255 0000-00-00 00:00:00"},
      {{"asked one not first", 0, &p.responder, &p.responderKeys,
        {{&p.sibling, kOcspGood}, {&p.asked, kOcspRevoked, 4}, {&p.asked, kOcspGood}}},
       "1 4 2026-02-14 09:30:15"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario.name);
    Kernel::OCSPResponse result{};
    result.revocationReason = 77;
    CKernelCertificate responder(m_kernel);
    try {
      Ask(c.scenario, p.asked, result, responder);
    } catch (const Kernel::CKernelException& e) {
      ADD_FAILURE() << e.GetErrorCode() << " " << Utf8(e.GetErrorMessage());
      continue;
    }
    const std::string got = std::to_string(result.certStatus) + " " +
                            (result.certStatus == 0 && result.revocationReason == 77
                                 ? "untouched"
                                 : std::to_string(result.revocationReason) + " " + ShowTime(result.revocationTime));
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(DerOf(responder), DerOf(p.responder));
  }
}

TEST_F(OcspClientTest, RefusalsCarryTheirCodes) {
  const Pki& p = *s_pki;
  struct Case {
    Scenario scenario;
    unsigned long code;
    std::string message;  // empty: not compared
  };
  const std::vector<Case> cases = {
      {{"try later", 3, &p.responder, &p.responderKeys, {}}, 100034,
       "Помилка OCSP серверу. Код помилки 3, Описання: Сервіс тимчасово недоступний "},
      {{"status 4", 4, &p.responder, &p.responderKeys, {}}, 100034,
       "Помилка OCSP серверу. Код помилки 4, Описання: Статус невизначений "},
      {{"responder by name", 0, nullptr, &p.responderKeys, {{&p.asked, kOcspGood}}}, 100036, ""},
      {{"responder not stored", 0, &p.unstored, &p.otherKeys, {{&p.asked, kOcspGood}}}, 100037, ""},
      {{"no OCSP signing purpose", 0, &p.notOcspSigner, &p.tlsKeys, {{&p.asked, kOcspGood}}}, 100043, ""},
      {{"no extended key usage", 0, &p.withoutPurposes, &p.plainKeys, {{&p.asked, kOcspGood}}}, 100042, ""},
      {{"signed by the wrong key", 0, &p.responder, &p.otherKeys, {{&p.asked, kOcspGood}}}, 100038,
       "Підпис відповіді OCSP серверу не може буди перевірено."},
      {{"not about the asked one", 0, &p.responder, &p.responderKeys, {{&p.sibling, kOcspGood}}}, 100035, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario.name);
    Kernel::OCSPResponse result{};
    result.certStatus = 9;
    CKernelCertificate responder(m_kernel);
    try {
      Ask(c.scenario, p.asked, result, responder);
      ADD_FAILURE() << "accepted";
    } catch (const Kernel::CKernelException& e) {
      EXPECT_EQ(e.GetErrorCode(), c.code);
      if (!c.message.empty()) {
        EXPECT_EQ(Utf8(e.GetErrorMessage()), c.message);
      }
    }
    EXPECT_EQ(result.certStatus, 9);
  }
}

TEST_F(OcspClientTest, CertificateWithoutAuthorityKeyIdIsNotAsked) {
  unsigned char* response = nullptr;
  unsigned long length = 0;
  EXPECT_EQ(CodeOf([&] {
              Kernel::CKernelOCSP::GetOCSPResponse(m_server.Url().c_str(), s_pki->withoutAki, &response, &length);
            }),
            100010u);
  Kernel::OCSPResponse result{};
  CKernelCertificate responder(m_kernel);
  EXPECT_EQ(CodeOf([&] {
              Kernel::CKernelOCSP::GetCertStatus(m_kernel, m_server.Url().c_str(), s_pki->withoutAki, result, responder);
            }),
            100010u);
  EXPECT_EQ(response, nullptr);
  EXPECT_EQ(Requests(), 0);
}

// Without a URL the address comes from the certificate's authority information
// access; the raw answer handed out is what the responder sent, and checks alike.
TEST_F(OcspClientTest, AddressFromTheCertificateAndTheRawAnswer) {
  const Pki& p = *s_pki;
  CKernelCertificate asked = p.asked;
  asked.SetAuthInformationAccess(m_server.Url().c_str(), nullptr);
  params::Dke randomSBox = params::kDke1;
  asked.Ensign(p.caKeys, randomSBox.data());
  SetScenario({"revoked", 0, &p.responder, &p.responderKeys, {{&p.asked, kOcspRevoked, 1}}});

  Kernel::OCSPResponse result{};
  CKernelCertificate responder(m_kernel);
  Kernel::CKernelOCSP::GetCertStatus(m_kernel, asked, result, responder);
  EXPECT_EQ(result.certStatus, 1);
  EXPECT_EQ(result.revocationReason, 1u);

  unsigned char* response = nullptr;
  unsigned long length = 0;
  Kernel::CKernelOCSP::GetOCSPResponse(m_server.Url().c_str(), asked, &response, &length);
  ASSERT_NE(response, nullptr);
  Kernel::OCSPResponse again{};
  Kernel::CKernelOCSP::CheckResponse(m_kernel, response, length, asked, again, responder);
  Kernel::CKernelOCSP::ReleaseResponseBuffer(response);
  EXPECT_EQ(again.certStatus, 1);
  EXPECT_EQ(Requests(), 2);
  EXPECT_EQ(CodeOf([] { Kernel::CKernelOCSP::ReleaseResponseBuffer(nullptr); }), 100021u);
}

}  // namespace
}  // namespace tavrpki::test

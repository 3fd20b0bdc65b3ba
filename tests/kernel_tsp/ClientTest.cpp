// CKernelTSP against a time-stamp authority run in-process on loopback (the
// tool's server framework): a handler that reads the request with the message
// structures and answers as each case asks, its tokens signed with the library's
// signature envelope by a certificate the library made, with the critical
// time-stamping usage (or, for one case, without it).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include "asn1/ASN1OID.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/cms/ASN1SignedData.h"
#include "asn1/cms/CmsOids.h"
#include "asn1/tsp/TimeStamp.h"
#include "asn1/x509/ASN1Certificate.h"
#include "asn1/x509/ExtensionValues.h"
#include "core/Catalogue.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelSignatureEnvelope.h"
#include "kernel/CKernelTSP.h"
#include "kernel/GetKernelInstance.h"
#include "servers/HttpServer.h"
#include "support/CertificateDraft.h"
#include "support/CodeOf.h"
#include "support/ConfigSandbox.h"
#include "support/DkeParams.h"
#include "support/Fetch.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Answer { kGranted, kRejection, kGrantedNoToken, kNotForTimeStamping, kWrongType, kNotAResponse, kSlow };

struct Signer {
  Kernel::CKernelDoubleKeyPair keys;
  Kernel::CKernelCertificate cert;
};

// A self-signed certificate on the 257-bit curve, with the time-stamping usage
// as a critical extended key usage or with only another usage.
Signer MakeAuthority(const Kernel::CKernel& kernel, bool timeStamping, __int64 serial) {
  ASN1Certificate draft;
  ASN1TBSCert& body = draft.TBSCertificate();
  body.SerialNumber().SetValue(serial);
  body.Issuer().AddAttribute("2.5.4.3", ASN1Utf8String("placeholder"));
  body.Subject().AddAttribute("2.5.4.3", ASN1Utf8String("Test TSA"));
  body.SetValidity(DateTime(2026, 1, 1), DateTime(2036, 1, 1));
  ASN1ExtKeyUsage usage;
  usage.Items().emplace_back(timeStamping ? tsp::kOidTimeStamping : "1.3.6.1.5.5.7.3.9");
  body.Extensions().Append(ASN1CertExtension("2.5.29.37", true, usage));
  const Bytes der = EncodeDraft(draft);
  params::Dke dke = params::kDke1;
  Signer signer{kernel.Generate4145DoubleKeyPair(MakeParams(kernel), true), Kernel::CKernelCertificate(kernel)};
  signer.cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  signer.cert.SetCertSignKeys(signer.keys);
  signer.cert.MakeIssuerEqualSubject();
  signer.cert.Ensign(signer.keys, dke.data());
  return signer;
}

class Authority {
 public:
  explicit Authority(const Kernel::CKernel& kernel)
      : m_kernel(kernel),
        m_tsa(MakeAuthority(kernel, true, 1)),
        m_other(MakeAuthority(kernel, false, 2)),
        m_server([this](const servers::HttpRequest& request) { return Handle(request); }, {.threads = 2}) {}

  std::atomic<Answer> answer{Answer::kGranted};
  std::string Url() const { return m_server.Url(); }
  void Stop() { m_server.Stop(); }
  // The last request as the server read it, and the path it came to.
  std::pair<tsp::TimeStampReq, std::string> Last() {
    std::lock_guard lock(m_lock);
    return {m_lastRequest, m_lastPath};
  }

 private:
  servers::HttpReply Handle(const servers::HttpRequest& request) {
    std::lock_guard lock(m_lock);  // one kernel, one thread at a time
    m_lastRequest = tsp::DecodeTimeStampReq(request.body);
    m_lastPath = request.path;
    const Answer mode = answer;
    if (mode == Answer::kSlow) std::this_thread::sleep_for(std::chrono::seconds(2));
    tsp::TimeStampResp response;
    if (mode == Answer::kRejection) {
      response.status.status = tsp::kRejection;
      response.status.failInfo = 1u << tsp::kBadAlg;
    } else if (mode != Answer::kGrantedNoToken) {
      response.timeStampToken = Token(m_lastRequest, mode == Answer::kNotForTimeStamping ? m_other : m_tsa);
    }
    Bytes body = tsp::Encode(response);
    if (mode == Answer::kNotAResponse) body = {0x30, 0x03, 0x02, 0x01, 0x00, 0x04};
    return {200, mode == Answer::kWrongType ? "application/octet-stream" : "application/timestamp-reply", body};
  }

  Bytes Token(const tsp::TimeStampReq& request, Signer& signer) {
    tsp::TstInfo info;
    info.policy = "1.2.804.2.1.1.1.2.3.1";
    info.messageImprint = request.messageImprint;
    info.serialNumber = tsp::IntegerOctets(++m_serial);
    GetSystemTime(&info.genTime);
    info.nonce = request.nonce;
    const Bytes content = tsp::Encode(info);

    Kernel::CKernelSignerInfo signerInfo(signer.cert);
    for (ASN1Attribute& attribute : static_cast<ASN1SignerInfo*>(signerInfo.GetHandle())->MutableSignedAttrs())
      if (attribute.TypeText() == kOidAttrContentType) attribute = ASN1Attribute(kOidAttrContentType, ASN1OID(tsp::kOidTstInfo));
    Bytes digest(32);
    m_kernel.CalcHash(content.data(), static_cast<unsigned long>(content.size()), digest.data(),
                      signer.cert.GetCertSignKey().GetHashSBox());
    signerInfo.SetMessageDigest(digest.data(), static_cast<unsigned long>(digest.size()));
    signerInfo.SetStandardSignedAttrs(true);
    signerInfo.CalculateSignature(signer.cert, signer.keys);
    Kernel::CKernelSignatureEnvelope envelope(m_kernel);
    static_cast<ASN1SignedData*>(envelope.GetHandle())->SetContentType(tsp::kOidTstInfo);
    envelope.AddCertificate(signer.cert);
    envelope.AddSignerInfo(signerInfo);
    envelope.SetData(content.data(), static_cast<unsigned long>(content.size()));
    return Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetEnvelopeBuffer(b, l); });
  }

  Kernel::CKernel m_kernel;
  Signer m_tsa, m_other;
  std::mutex m_lock;
  tsp::TimeStampReq m_lastRequest;
  std::string m_lastPath;
  std::uint64_t m_serial = 0;
  servers::HttpServer m_server;  // last: stopped before what its handler uses goes
};

class TspClient : public ::testing::Test {
 protected:
  void SetUp() override {
    m_sandbox.WriteSystem("\"UseLog\"=dword:00000000\n");
    m_sandbox.WriteUser("\"TSPRequestPath\"=\"\"\n");
    for (std::size_t i = 0; i < m_hash.size(); ++i) m_hash[i] = static_cast<std::uint8_t>(0xA0 + i);
  }

  // GetTSP into a buffer of 0x5A bytes: the status, or the failure's code and message.
  struct Outcome {
    unsigned long status = 99;
    unsigned long code = 0;
    std::string message;
    Bytes token;
    bool untouched = false;  // buffer and length as they were
  };
  Outcome Ask(const std::string& url) {
    Outcome outcome;
    Bytes buffer(1 << 16, 0x5A);
    unsigned long length = static_cast<unsigned long>(buffer.size());
    try {
      outcome.status = Kernel::CKernelTSP::GetTSP(url.c_str(), m_hash.data(), buffer.data(), &length);
    } catch (const Kernel::CKernelException& e) {
      outcome.code = e.GetErrorCode();
      outcome.message = e.GetErrorMessage();
    }
    outcome.untouched = length == buffer.size() && std::all_of(buffer.begin(), buffer.end(),
                                                               [](std::uint8_t b) { return b == 0x5A; });
    if (!outcome.untouched) outcome.token.assign(buffer.begin(), buffer.begin() + length);
    return outcome;
  }

  ConfigSandbox m_sandbox;
  Kernel::CKernel m_kernel = Kernel::GetKernelInstance();
  Bytes m_hash = Bytes(32);
};

bool Verifies(const Kernel::CKernel& kernel, const Bytes& token, const Bytes& hash) {
  return Kernel::CKernelTSP::VerifyTSPToken(kernel, token.data(), static_cast<unsigned long>(token.size()),
                                            hash.data());
}

TEST_F(TspClient, GrantedTokenVerifiesForItsHashOnly) {
  Authority authority(m_kernel);
  const Outcome got = Ask(authority.Url());
  ASSERT_EQ(got.code, 0u) << got.message;
  EXPECT_EQ(got.status, 0u);
  // What went out: version 1 and the GOST 34.311 imprint of the hash, nothing else,
  // to the URL as given ("TSPRequestPath" is empty here).
  const auto [request, path] = authority.Last();
  EXPECT_EQ(request.version, 1);
  EXPECT_EQ(request.messageImprint.hashAlgorithm, tsp::kOidGost34311);
  EXPECT_TRUE(request.messageImprint.hashParameters.empty());
  EXPECT_EQ(request.messageImprint.hashedMessage, m_hash);
  EXPECT_TRUE(request.nonce.empty() && request.reqPolicy.empty() && !request.certReq && request.extensions.empty());
  EXPECT_EQ(path, "/");

  _SYSTEMTIME time{}, now{};
  Kernel::CKernelTSP::GetTSPTokenTime(got.token.data(), static_cast<unsigned long>(got.token.size()), &time);
  GetSystemTime(&now);
  EXPECT_EQ(time.wYear, now.wYear);
  EXPECT_TRUE(Verifies(m_kernel, got.token, m_hash));
  for (std::size_t i : {std::size_t{0}, std::size_t{31}}) {
    Bytes other = m_hash;
    other[i] ^= 0x80;
    EXPECT_FALSE(Verifies(m_kernel, got.token, other)) << "byte " << i;
  }
  // A token whose signature is damaged (its last octet) no longer verifies.
  Bytes damaged = got.token;
  damaged.back() ^= 0x01;
  EXPECT_FALSE(Verifies(m_kernel, damaged, m_hash));
}

TEST_F(TspClient, DefaultPathFollowsTheBaseUrl) {
  m_sandbox.WriteUser("");
  Authority authority(m_kernel);
  EXPECT_EQ(Ask(authority.Url()).status, 0u);
  EXPECT_EQ(authority.Last().second, "/TSPRequest.ashx");
}

TEST_F(TspClient, AnswersThatAreNoToken) {
  m_sandbox.WriteSystem("\"UseLog\"=dword:00000000\n\"HttpTimeout\"=dword:00000001\n");
  Authority authority(m_kernel);
  struct Case {
    Answer answer;
    unsigned long status, code;
    const char* message;  // the start of the failure's message
  } cases[] = {
      {Answer::kRejection, 2, 0, ""},
      {Answer::kGrantedNoToken, 0, 0, ""},
      {Answer::kWrongType, 99, kNoCode, "Response type isn't timestamp-reply."},
      {Answer::kNotAResponse, 99, kMsgBadTstInfo.code, kMsgBadTstInfo.format},
      // "HttpTimeout" is one second; the server takes two.
      {Answer::kSlow, 99, kNoCode, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    authority.answer = c.answer;
    const Outcome got = Ask(authority.Url());
    EXPECT_EQ(got.status, c.status);
    EXPECT_EQ(got.code, c.code) << got.message;
    EXPECT_EQ(got.message.rfind(c.message, 0), 0u) << got.message;
    if (c.code == kNoCode) {
      EXPECT_FALSE(got.message.empty());
    }
    EXPECT_TRUE(got.untouched);
  }
}

TEST_F(TspClient, ServerDown) {
  std::string url;
  {
    Authority authority(m_kernel);
    url = authority.Url();
  }
  const Outcome got = Ask(url);
  EXPECT_EQ(got.code, kNoCode);
  EXPECT_FALSE(got.message.empty());
  EXPECT_TRUE(got.untouched);
}

TEST_F(TspClient, SignerWithoutTimeStampingUsage) {
  Authority authority(m_kernel);
  authority.answer = Answer::kNotForTimeStamping;
  const Outcome got = Ask(authority.Url());
  ASSERT_EQ(got.status, 0u) << got.message;
  EXPECT_EQ(CodeOf([&] { Verifies(m_kernel, got.token, m_hash); }), kMsgTspSignerNoExtendedKeyUsage.code);
  // Checked before the hash: another hash gets the same refusal, not false.
  Bytes other = m_hash;
  other[0] ^= 1;
  EXPECT_EQ(CodeOf([&] { Verifies(m_kernel, got.token, other); }), kMsgTspSignerNoExtendedKeyUsage.code);
}

TEST_F(TspClient, MissingArguments) {
  unsigned long length = 10;
  unsigned char token[10];
  EXPECT_EQ(CodeOf([&] { Kernel::CKernelTSP::GetTSP(nullptr, m_hash.data(), token, &length); }),
            kMsgInvalidParameter.code);
  EXPECT_EQ(CodeOf([&] { Kernel::CKernelTSP::GetTSP("http://127.0.0.1:1/", m_hash.data(), token, nullptr); }),
            kMsgInvalidParameter.code);
  EXPECT_EQ(CodeOf([&] { Kernel::CKernelTSP::VerifyTSPToken(m_kernel, token, 10, nullptr); }),
            kMsgInvalidParameter.code);
}

}  // namespace
}  // namespace tavrpki::test

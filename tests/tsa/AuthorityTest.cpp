// The authority without HTTP: which certificates and keys it refuses, what a
// granted token carries, and the failure bit of each request it rejects.
#include <algorithm>
#include <set>

#include "kernel/CKernelTSP.h"
#include "tsa/TsaFixture.h"

namespace tavrpki::test {
namespace {

std::uint64_t SerialOf(const tsp::TstInfo& info) {
  std::uint64_t value = 0;
  for (std::uint8_t octet : info.serialNumber) value = value << 8 | octet;
  return value;
}

std::int64_t Seconds(const _SYSTEMTIME& t) {
  FILETIME file{};
  EXPECT_TRUE(SystemTimeToFileTime(&t, &file));
  return static_cast<std::int64_t>((std::uint64_t{file.dwHighDateTime} << 32 | file.dwLowDateTime) / 10000000);
}

bool Verifies(const Token& token, Bytes hash) {
  return Kernel::CKernelTSP::VerifyTSPToken(Kernel::GetKernelInstance(), token.der.data(),
                                            static_cast<unsigned long>(token.der.size()), hash.data());
}

TEST_F(TsaTest, RefusesToStartWithoutTheTimeStampingCertificateOrItsKey) {
  struct Case {
    const char* name;
    Bytes usage;
    bool otherKey;
  };
  const char serverAuth = 1;
  const Case cases[] = {
      {"no extended key usage", {}, false},
      {"time stamping, not critical", TimeStampingUsage(false), false},
      {"time stamping and server authentication", TimeStampingUsage(true, &serverAuth), false},
      {"the key of another certificate", TimeStampingUsage(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TsaIdentity identity = MakeIdentity(m_kernel, c.usage);
    if (c.otherKey) identity.keys = MakeIdentity(m_kernel, c.usage).keys;
    servers::TsaSettings settings;
    settings.statePath = m_directory.File("serial");
    EXPECT_THROW(servers::TimeStampAuthority(m_kernel, identity.certificate, identity.keys, settings),
                 std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(settings.statePath)) << "a refused start reserves no serials";
  }
  servers::TsaSettings settings;
  settings.policy = "time stamping";
  EXPECT_THROW(Start(settings), std::runtime_error);
}

TEST_F(TsaTest, GrantedTokensStampTheRequest) {
  auto authority = Start();
  struct Case {
    Bytes nonce;
    bool certReq;
  };
  const Case cases[] = {
      {{}, true},
      {{0x51, 0x42, 0x99, 0x82, 0xD1, 0x3E, 0x7B, 0x36}, true},  // an 8-octet nonce, as real clients send
      {{0x00, 0x80, 0x01}, false},                                // a leading zero kept as sent
      {Bytes(40, 0x7F), true},                                    // longer than any machine integer
  };
  std::set<std::uint64_t> serials;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nonce.size());
    tsp::TimeStampReq request = Request(c.nonce, c.certReq);
    request.messageImprint.hashedMessage[0] = static_cast<std::uint8_t>(c.nonce.size());
    _SYSTEMTIME before{};
    GetSystemTime(&before);
    const Token token = OpenToken(authority->Answer(tsp::Encode(request)));
    _SYSTEMTIME after{};
    GetSystemTime(&after);

    EXPECT_EQ(token.info.policy, servers::kDefaultTsaPolicy);
    EXPECT_EQ(token.info.messageImprint.hashAlgorithm, tsp::kOidGost34311);
    EXPECT_EQ(token.info.messageImprint.hashedMessage, request.messageImprint.hashedMessage);
    EXPECT_EQ(token.info.nonce, c.nonce);
    EXPECT_FALSE(token.info.accuracy.has_value());
    EXPECT_EQ(token.info.genTime.wMilliseconds, 0);
    EXPECT_GE(Seconds(token.info.genTime), Seconds(before));
    EXPECT_LE(Seconds(token.info.genTime), Seconds(after));
    EXPECT_TRUE(serials.insert(SerialOf(token.info)).second);
    EXPECT_EQ(token.certificates, c.certReq ? 1u : 0u);
    // The shape of real tokens: version 3 for content other than data, and the
    // signer's content type saying what was signed, once.
    EXPECT_EQ(token.signedDataVersion, 3);
    EXPECT_EQ(token.contentType, tsp::kOidTstInfo);
    EXPECT_EQ(std::count(token.signedAttributes.begin(), token.signedAttributes.end(), "1.2.840.113549.1.9.3"), 1);
    for (const char* type : {"1.2.840.113549.1.9.4", "1.2.840.113549.1.9.5", "1.2.840.113549.1.9.16.2.47"})
      EXPECT_NE(std::find(token.signedAttributes.begin(), token.signedAttributes.end(), type),
                token.signedAttributes.end()) << type;
    if (c.certReq) {
      Bytes hash = request.messageImprint.hashedMessage;
      EXPECT_TRUE(Verifies(token, hash));
      hash[31] ^= 1;
      EXPECT_FALSE(Verifies(token, hash));
    }
  }
}

TEST_F(TsaTest, RejectsWithTheFailureOfTheRequest) {
  auto authority = Start();
  const Bytes good = tsp::Encode(Request());
  auto with = [](auto change) {
    tsp::TimeStampReq request = Request();
    change(request);
    return tsp::Encode(request);
  };
  struct Case {
    const char* name;
    Bytes request;
    tsp::FailureBit failure;
  };
  Bytes trailing = good;
  trailing.push_back(0);
  const Case cases[] = {
      {"empty", {}, tsp::kBadDataFormat},
      {"junk", {'h', 'e', 'l', 'l', 'o'}, tsp::kBadDataFormat},
      {"cut short", Bytes(good.begin(), good.end() - 1), tsp::kBadDataFormat},
      {"trailing octet", trailing, tsp::kBadDataFormat},
      {"version 2", with([](auto& r) { r.version = 2; }), tsp::kBadDataFormat},
      {"SHA-256", with([](auto& r) { r.messageImprint.hashAlgorithm = "2.16.840.1.101.3.4.2.1"; }), tsp::kBadAlg},
      {"31-octet hash", with([](auto& r) { r.messageImprint.hashedMessage.resize(31); }), tsp::kBadDataFormat},
      {"33-octet hash", with([](auto& r) { r.messageImprint.hashedMessage.resize(33); }), tsp::kBadDataFormat},
      {"another policy", with([](auto& r) { r.reqPolicy = "1.2.3.4"; }), tsp::kUnacceptedPolicy},
      {"an extension", with([](auto& r) { r.extensions = {0xA0, 0x08, 0x30, 0x06, 0x06, 0x01, 0x2A, 0x04, 0x01, 0x00}; }),
       tsp::kUnacceptedExtension},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const tsp::TimeStampResp response = tsp::DecodeTimeStampResp(authority->Answer(c.request));
    EXPECT_EQ(response.status.status, tsp::kRejection);
    EXPECT_EQ(response.status.failInfo, 1u << c.failure);
    EXPECT_TRUE(response.timeStampToken.empty());
  }
  // Our own policy named in the request is no reason to refuse.
  EXPECT_EQ(OpenToken(authority->Answer(with([](auto& r) { r.reqPolicy = servers::kDefaultTsaPolicy; }))).info.policy,
            servers::kDefaultTsaPolicy);
}

TEST_F(TsaTest, PolicyAndCertificateAsConfigured) {
  servers::TsaSettings settings;
  settings.policy = "1.3.6.1.4.1.19398.1.1.7";
  settings.alwaysIncludeCertificate = true;
  auto authority = Start(settings);
  const Token token = OpenToken(authority->Answer(tsp::Encode(Request({}, false))));
  EXPECT_EQ(token.info.policy, settings.policy);
  EXPECT_EQ(token.certificates, 1u);
  EXPECT_TRUE(Verifies(token, Request().messageImprint.hashedMessage));
}

}  // namespace
}  // namespace tavrpki::test

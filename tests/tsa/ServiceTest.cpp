// The authority behind HTTP on loopback: what each kind of HTTP request gets,
// and the load test, 20,000 requests from 8 clients with malformed ones mixed in.
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "kernel/CKernelSignatureEnvelope.h"
#include "kernel/CKernelTSP.h"
#include "support/Fetch.h"
#include "tools/servers/tsa/TsaHttp.h"
#include "tsa/HttpPost.h"
#include "tsa/TsaFixture.h"

namespace tavrpki::test {
namespace {

class ServiceTest : public TsaTest {
 protected:
  static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  static void TearDownTestSuite() { curl_global_cleanup(); }
  void StartService() {
    m_authority = Start();
    m_server = std::make_unique<servers::HttpServer>(servers::TsaHandler(*m_authority));
    m_url = "http://127.0.0.1:" + std::to_string(m_server->Port());
  }

  std::unique_ptr<servers::TimeStampAuthority> m_authority;
  std::unique_ptr<servers::HttpServer> m_server;
  std::string m_url;
};

TEST_F(ServiceTest, AnswersTimeStampQueriesOnly) {
  StartService();
  const Bytes query = tsp::Encode(Request());
  struct Case {
    const char* name;
    const char* path;
    const char* method;
    const char* type;
    Bytes body;
    long status;
  };
  const Case cases[] = {
      {"the root", "/", "POST", "application/timestamp-query", query, 200},
      {"the path clients append", "/TSPRequest.ashx", "POST", "application/timestamp-query", query, 200},
      {"a type with a parameter", "/", "POST", "Application/TimeStamp-Query; charset=binary", query, 200},
      {"junk is still answered, with a rejection", "/", "POST", "application/timestamp-query", {1, 2, 3}, 200},
      {"another path", "/tsa", "POST", "application/timestamp-query", query, 404},
      {"GET", "/", "GET", nullptr, {}, 405},
      {"another content type", "/", "POST", "application/ocsp-request", query, 415},
      {"no content type", "/", "POST", nullptr, query, 415},
      {"a body no request needs", "/", "POST", "application/timestamp-query", Bytes(64 * 1024 + 1, 0x30), 413},
  };
  HttpPoster client;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HttpReply reply = client.Post(m_url + c.path, c.body, c.type, c.method);
    EXPECT_EQ(reply.status, c.status);
    if (c.status != 200) continue;
    EXPECT_EQ(reply.contentType, "application/timestamp-reply");
    const tsp::TimeStampResp response = tsp::DecodeTimeStampResp(reply.body);
    EXPECT_EQ(response.status.status, c.body == query ? tsp::kGranted : tsp::kRejection);
  }
}

// Each client thread sends its share over one kept-alive connection; every tenth
// request is malformed in one of three ways. Every answer is checked: a valid
// request gets a token over its own hash and nonce with a serial no other token
// has; a malformed one gets its rejection. Every fiftieth token's signature is
// verified too (the rest share its code path and would only double the run).
TEST_F(ServiceTest, LoadFromEightClients) {
  StartService();
  constexpr int kClients = 8;
  constexpr int kPerClient = 2500;
  std::mutex mutex;
  std::set<std::uint64_t> serials;
  std::atomic<int> granted{0};
  std::atomic<int> rejected{0};
  std::atomic<int> failures{0};
  // Bounded even under the thread sanitizer: past the deadline the clients stop
  // and the missing answers fail the test.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
  auto client = [&](int id) {
    HttpPoster poster;
    std::vector<std::uint64_t> mine;
    for (int i = 0; i < kPerClient && std::chrono::steady_clock::now() < deadline; ++i) {
      const std::uint32_t tag = static_cast<std::uint32_t>(id * kPerClient + i);
      tsp::TimeStampReq request = Request({static_cast<std::uint8_t>(tag >> 24 | 1), static_cast<std::uint8_t>(tag >> 16),
                                           static_cast<std::uint8_t>(tag >> 8), static_cast<std::uint8_t>(tag)},
                                          i % 2 == 0);
      std::memcpy(request.messageImprint.hashedMessage.data(), &tag, sizeof tag);
      std::optional<tsp::FailureBit> expected;
      if (i % 10 == 9) {
        switch (i / 10 % 3) {
          case 0: request.messageImprint.hashAlgorithm = "2.16.840.1.101.3.4.2.1"; expected = tsp::kBadAlg; break;
          case 1: request.messageImprint.hashedMessage.resize(20); expected = tsp::kBadDataFormat; break;
          default: expected = tsp::kBadDataFormat; break;
        }
      }
      Bytes body = tsp::Encode(request);
      if (expected && i / 10 % 3 == 2) body.resize(body.size() / 2);  // cut in the middle
      try {
        const HttpReply reply = poster.Post(m_url + (i % 3 == 0 ? "/TSPRequest.ashx" : "/"), body);
        const tsp::TimeStampResp response = tsp::DecodeTimeStampResp(reply.body);
        bool ok = reply.status == 200;
        if (expected) {
          ok = ok && response.status.status == tsp::kRejection && response.status.failInfo == 1u << *expected;
          rejected += ok;
        } else {
          ok = ok && response.status.status == tsp::kGranted;
          Kernel::CKernelSignatureEnvelope envelope(m_kernel);
          envelope.InitFromBuffer(response.timeStampToken.data(), static_cast<unsigned long>(response.timeStampToken.size()));
          const tsp::TstInfo info =
              tsp::DecodeTstInfo(Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetData(b, l); }));
          ok = ok && info.messageImprint.hashedMessage == request.messageImprint.hashedMessage &&
               info.nonce == request.nonce && envelope.GetCertCount() == (request.certReq ? 1u : 0u);
          if (ok && request.certReq && i % 50 == 0)
            ok = Kernel::CKernelTSP::VerifyTSPToken(m_kernel, response.timeStampToken.data(),
                                                    static_cast<unsigned long>(response.timeStampToken.size()),
                                                    request.messageImprint.hashedMessage.data());
          std::uint64_t serial = 0;
          for (std::uint8_t octet : info.serialNumber) serial = serial << 8 | octet;
          mine.push_back(serial);
          granted += ok;
        }
        if (!ok) ++failures;
      } catch (...) {
        ++failures;
      }
    }
    const std::lock_guard<std::mutex> hold(mutex);
    for (std::uint64_t serial : mine)
      if (!serials.insert(serial).second) ++failures;
  };
  std::vector<std::thread> clients;
  for (int id = 0; id < kClients; ++id) clients.emplace_back(client, id);
  for (std::thread& t : clients) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(granted.load(), kClients * kPerClient * 9 / 10);
  EXPECT_EQ(rejected.load(), kClients * kPerClient / 10);
  EXPECT_EQ(serials.size(), static_cast<std::size_t>(granted.load()));
}

}  // namespace
}  // namespace tavrpki::test

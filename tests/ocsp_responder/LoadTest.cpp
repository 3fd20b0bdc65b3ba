// The responder under load, on loopback: 20,000 requests from 8 client threads,
// every tenth one junk, GET and POST alternating. Every valid request must get
// the right status for the right serial, every junk one malformedRequest, and
// the server must neither crash nor leak (the sanitizer builds run this too).
// The rate is printed, not asserted: the bench and the speed run measure it.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "Fixture.h"
#include "HttpClient.h"
#include "Requests.h"
#include "ServerFixture.h"
#include "asn1/Base64.h"

namespace tavrpki::test {
namespace {

using servers::LoopbackPki;

constexpr int kClients = 8;
constexpr int kRequestsPerClient = 2500;

struct Kind {
  std::vector<std::uint8_t> der;
  std::string getPath;            // the escaped Base64 form of `der`
  std::vector<std::uint8_t> serial;
  int status;                     // expected CertStatus; -1: junk
};

std::string EscapedBase64(const std::vector<std::uint8_t>& der) {
  std::string out;
  for (const char c : Base64Encode(ByteView(der.data(), der.size()))) {
    if (c == '/') out += "%2F";
    else if (c == '+') out += "%2B";
    else if (c == '=') out += "%3D";
    else out += c;
  }
  return out;
}

class LoadTest : public ResponderServerTest {};

TEST_F(LoadTest, TwentyThousandRequestsFromEightClients) {
  std::vector<Kind> kinds;
  const std::pair<const Kernel::CKernelCertificate*, int> certs[] = {
      {&Pki().good, kOcspGood}, {&Pki().revoked, kOcspRevoked}, {&Pki().unissued, kOcspUnknown}};
  for (const auto& [cert, status] : certs) {
    const auto der = RequestDer({CertIdOf(*cert)});
    kinds.push_back({der, "/ocsp/" + EscapedBase64(der), FetchBytes([&](unsigned char* b, unsigned long* l) {
                       cert->GetSerialNo(b, l);
                     }), status});
  }
  const auto valid = kinds[0].der;
  const std::vector<std::vector<std::uint8_t>> junk = {
      {}, {0x30, 0x80}, std::vector<std::uint8_t>(valid.begin(), valid.end() - 3), std::vector<std::uint8_t>(300, 0x41)};

  std::atomic<int> answered{0};
  std::vector<std::string> failures(kClients);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      HttpClient client;
      for (int i = 0; i < kRequestsPerClient && failures[c].empty(); ++i) {
        const int n = c * kRequestsPerClient + i;
        const bool isJunk = n % 10 == 9;
        const Kind& kind = kinds[static_cast<std::size_t>(n) % kinds.size()];
        RawAnswer raw;
        if (isJunk)
          raw = client.Post(BaseUrl(), junk[static_cast<std::size_t>(n) % junk.size()]);
        else if (n % 2 == 0)
          raw = client.Get(BaseUrl() + kind.getPath.substr(1));
        else
          raw = client.Post(BaseUrl(), kind.der);
        const std::string where = "request " + std::to_string(n) + ": ";
        if (!raw.error.empty() || raw.status != 200 || raw.contentType != "application/ocsp-response") {
          failures[c] = where + "HTTP " + std::to_string(raw.status) + " " + raw.contentType + " " + raw.error;
          break;
        }
        ASN1OCSPResponse response;
        try {
          response.Decode(ByteView(raw.body.data(), raw.body.size()));
        } catch (...) {
          failures[c] = where + "the answer does not decode";
          break;
        }
        if (isJunk) {
          if (response.ResponseStatus() != kOcspMalformedRequest) failures[c] = where + "junk was not malformedRequest";
        } else if (response.ResponseStatus() != kOcspSuccessful || response.TBSResponse().Responses().size() != 1) {
          failures[c] = where + "status " + std::to_string(response.ResponseStatus());
        } else {
          const ASN1OCSPSingleResponse& single = response.TBSResponse().Responses()[0];
          const Blob& serial = single.CertID().SerialNumber().Bytes();
          if (std::vector<std::uint8_t>(serial.begin(), serial.end()) != kind.serial)
            failures[c] = where + "answered for another serial";
          else if (single.CertStatus() != kind.status)
            failures[c] = where + "certificate status " + std::to_string(single.CertStatus());
        }
        answered.fetch_add(1);
      }
    });
  }
  for (std::thread& client : clients) client.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (const std::string& failure : failures) EXPECT_EQ(failure, "");
  EXPECT_EQ(answered.load(), kClients * kRequestsPerClient);
  std::printf("%d answers in %.2f s: %.0f responses/s\n", answered.load(), seconds, answered.load() / seconds);
}

}  // namespace
}  // namespace tavrpki::test

// The responder under load, on loopback: 20,000 requests from 8 client threads,
// every tenth one junk, GET (under a path prefix) and POST alternating. Every
// valid request must get the right status for the right serial, every junk one
// malformedRequest, and the server must neither crash nor leak (the sanitizer
// builds run this too). The rate is printed, not asserted: the bench measures it.
#include <chrono>
#include <cstdio>
#include <thread>

#include "Requests.h"
#include "ServerFixture.h"
#include "core/ExceptionBase.h"
#include "net/HttpTransport.h"

namespace tavrpki::test {
namespace {

constexpr int kClients = 8;
constexpr int kRequestsPerClient = 2500;

class LoadTest : public ResponderServerTest {};

// What went wrong with answer `n`, or nothing.
std::string Check(const net::HttpResponse& answer, bool junk, const std::vector<std::uint8_t>& serial,
                  std::uint8_t status) {
  if (answer.contentType != "application/ocsp-response") return "content type " + answer.contentType;
  const std::vector<std::uint8_t> body(answer.body.begin(), answer.body.end());
  if (junk) return body == servers::OcspResponder::StatusOnly(kOcspMalformedRequest) ? "" : "junk not refused";
  ASN1OCSPResponse response;
  response.Decode(answer.body.View());
  if (response.ResponseStatus() != kOcspSuccessful || response.TBSResponse().Responses().size() != 1)
    return "response status " + std::to_string(response.ResponseStatus());
  const ASN1OCSPSingleResponse& single = response.TBSResponse().Responses()[0];
  const Blob& answered = single.CertID().SerialNumber().Bytes();
  if (std::vector<std::uint8_t>(answered.begin(), answered.end()) != serial) return "another serial";
  return single.CertStatus() == status ? "" : "certificate status " + std::to_string(single.CertStatus());
}

TEST_F(LoadTest, TwentyThousandRequestsFromEightClients) {
  struct Kind {
    std::vector<std::uint8_t> der, serial;
    std::uint8_t status;
  };
  std::vector<Kind> kinds;
  for (const auto& [cert, status] : {std::pair{&Pki().good, kOcspGood}, std::pair{&Pki().revoked, kOcspRevoked},
                                     std::pair{&Pki().unissued, kOcspUnknown}})
    kinds.push_back({RequestDer({CertIdOf(*cert)}), servers::LoopbackPki::Serial(*cert), status});
  const std::vector<std::uint8_t> valid = kinds[0].der;
  const std::vector<std::vector<std::uint8_t>> junk = {
      {}, {0x30, 0x80}, std::vector<std::uint8_t>(valid.begin(), valid.end() - 3), std::vector<std::uint8_t>(300, 0x41)};

  std::vector<std::string> failures(kClients);
  std::vector<int> answered(kClients, 0);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      net::HttpTransport client(BaseUrl());
      for (int i = 0; i < kRequestsPerClient && failures[c].empty(); ++i) {
        const int n = c * kRequestsPerClient + i;
        const bool isJunk = n % 10 == 9;
        const Kind& kind = kinds[static_cast<std::size_t>(n) % kinds.size()];
        const auto& junkBody = junk[static_cast<std::size_t>(n) % junk.size()];
        try {
          const net::HttpResponse answer =
              isJunk     ? client.Post(BaseUrl(), "application/ocsp-request", ByteView(junkBody.data(), junkBody.size()))
              : n % 2    ? client.Post(BaseUrl(), "application/ocsp-request", ByteView(kind.der.data(), kind.der.size()))
                         : client.Get(BaseUrl() + "ocsp/" + net::OcspGetPath(ByteView(kind.der.data(), kind.der.size())));
          const std::string problem = Check(answer, isJunk, kind.serial, kind.status);
          if (!problem.empty()) failures[c] = "request " + std::to_string(n) + ": " + problem;
        } catch (const ExceptionBase& e) {
          failures[c] = "request " + std::to_string(n) + ": " + e.GetErrorMessage();
        }
        ++answered[c];
      }
    });
  }
  for (std::thread& client : clients) client.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int total = 0;
  for (int c = 0; c < kClients; ++c) {
    EXPECT_EQ(failures[c], "");
    total += answered[c];
  }
  EXPECT_EQ(total, kClients * kRequestsPerClient);
  std::printf("%d answers in %.2f s: %.0f responses/s\n", total, seconds, total / seconds);
}

}  // namespace
}  // namespace tavrpki::test

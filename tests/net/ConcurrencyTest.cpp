// Eight clients, each with its own transport, against one server: every request
// answered, and answered with its own reply. Also run by the ThreadSanitizer job.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/Exception.h"
#include "net/HttpTransport.h"
#include "servers/HttpServer.h"
#include "support/ConfigSandbox.h"

namespace {

using tavrpki::net::HttpTransport;
using tavrpki::servers::HttpReply;
using tavrpki::servers::HttpRequest;
using tavrpki::servers::HttpServer;

constexpr int kClients = 8;
constexpr int kRequestsPerClient = 300;

std::vector<std::uint8_t> Reversed(std::vector<std::uint8_t> bytes) { return {bytes.rbegin(), bytes.rend()}; }

TEST(HttpConcurrency, EveryClientGetsItsOwnAnswers) {
  tavrpki::test::ConfigSandbox env;
  std::atomic<int> handled{0};
  // Answers a POST with its body reversed and a GET with its path, so that a reply
  // delivered to the wrong request cannot pass.
  HttpServer server([&](const HttpRequest& request) {
    ++handled;
    if (request.method == "GET")
      return HttpReply{200, "application/ocsp-response", {request.path.begin(), request.path.end()}};
    return HttpReply{200, "application/timestamp-reply", Reversed(request.body)};
  });
  std::atomic<int> wrong{0}, failed{0};
  std::vector<std::thread> clients;
  for (int client = 0; client < kClients; ++client)
    clients.emplace_back([&, client] {
      HttpTransport transport(server.Url());
      for (int i = 0; i < kRequestsPerClient; ++i) {
        const std::vector<std::uint8_t> body = {0x30, 0x04, static_cast<std::uint8_t>(client),
                                                static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8),
                                                0xFF};
        try {
          if (i % 2 == 0) {
            const auto reply = transport.SendTimeStampQuery(body);
            if (std::vector<std::uint8_t>(reply.begin(), reply.end()) != Reversed(body)) ++wrong;
          } else {
            const auto reply = transport.SendOcspRequest(body);
            if (std::string(reply.begin(), reply.end()) != "/" + tavrpki::net::OcspGetPath(body)) ++wrong;
          }
        } catch (const tavrpki::Exception& error) {
          ++failed;
          ADD_FAILURE() << error.GetErrorMessage();
        }
      }
    });
  for (auto& client : clients) client.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(handled, kClients * kRequestsPerClient);
}

}  // namespace

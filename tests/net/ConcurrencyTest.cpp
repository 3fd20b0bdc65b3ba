// Eight clients, each with its own transport, against one server: every request
// answered, and answered with its own reply; and a stop while handlers run. Also
// run by the ThreadSanitizer job.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

// Stop() with handlers still running returns once they do; the clients get an
// answer or an error, none waits for its timeout.
TEST(HttpConcurrency, StopWhileRequestsAreInFlight) {
  tavrpki::test::ConfigSandbox env;
  env.WriteUser("\"HttpTimeout\"=dword:0000001e");
  std::atomic<int> entered{0};
  HttpServer server([&](const HttpRequest&) {
    ++entered;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return HttpReply{200, "application/ocsp-response", {0x30, 0x00}};
  }, {.threads = 2});
  std::vector<std::thread> clients;
  std::atomic<int> finished{0};
  for (int i = 0; i < 6; ++i)
    clients.emplace_back([&] {
      try {
        HttpTransport(server.Url()).SendOcspRequest(std::vector<std::uint8_t>{0x30, 0x00});
      } catch (const tavrpki::Exception&) {
      }
      ++finished;
    });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (entered < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_GE(entered, 2);
  const auto start = std::chrono::steady_clock::now();
  server.Stop();
  server.Stop();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
  for (auto& client : clients) client.join();
  EXPECT_EQ(finished, 6);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
}

}  // namespace

// The server framework: bounded bodies, listening addresses, and stopping while
// requests are being answered.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "net/HttpTransport.h"
#include "support/ConfigSandbox.h"
#include "net/Support.h"

namespace {

using tavrpki::net::HttpTransport;
using tavrpki::servers::HttpReply;
using tavrpki::servers::HttpRequest;
using tavrpki::servers::HttpServer;
using tavrpki::test::ConfigSandbox;
using tavrpki::test::RecordingServer;

// Sends `raw` on a fresh connection to `port` and returns what comes back until
// the server closes (or five seconds pass).
std::string RawExchange(std::uint16_t port, const std::string& raw) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval limit{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::string reply;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    (void)!send(fd, raw.data(), raw.size(), MSG_NOSIGNAL);
    char buffer[4096];
    ssize_t got;
    while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) reply.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return reply;
}

std::string Chunked(std::size_t size) {
  std::string body;
  const std::string chunk(4000, 'x');
  for (std::size_t sent = 0; sent < size; sent += chunk.size()) body += "fa0\r\n" + chunk + "\r\n";
  return body + "0\r\n\r\n";
}

// The cap refuses what is over it, announced or streamed, and only that; the
// handler never sees a refused body.
TEST(HttpServer, RequestBodiesAreBounded) {
  ConfigSandbox env;
  RecordingServer server({200, "application/timestamp-reply", {}});
  const std::size_t cap = server.Server().MaxBodySize();
  HttpTransport transport(server.Url());
  const struct {
    std::size_t size;
    unsigned status;
  } sized[] = {{cap, 200}, {cap + 1, 413}, {0, 200}};
  for (const auto& c : sized) {
    SCOPED_TRACE(c.size);
    const int before = server.Count();
    const auto response = transport.Post(server.Url(), "application/timestamp-query",
                                         std::vector<std::uint8_t>(c.size, 0x42));
    EXPECT_EQ(response.contentType, c.status == 200 ? "application/timestamp-reply" : "text/plain");
    EXPECT_EQ(server.Count(), before + (c.status == 200 ? 1 : 0));
    if (c.status == 200) {
      EXPECT_EQ(server.Last().body.size(), c.size);
    }
  }
  const int before = server.Count();
  const std::string streamed = RawExchange(server.Server().Port(),
                                           "POST / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
                                           "Connection: close\r\n\r\n" + Chunked(cap + 8000));
  EXPECT_EQ(streamed.substr(0, 12), "HTTP/1.1 413") << streamed.substr(0, 80);
  EXPECT_EQ(server.Count(), before);
}

TEST(HttpServer, ListenAddresses) {
  HttpServer any([](const HttpRequest&) { return HttpReply{}; }, {.listen = ":0"});
  EXPECT_EQ(any.Host(), "127.0.0.1");
  EXPECT_NE(any.Port(), 0);
  const std::string taken = "127.0.0.1:" + std::to_string(any.Port());
  for (const std::string& bad : {std::string("127.0.0.1"), std::string("127.0.0.1:http"),
                                 std::string("127.0.0.1:70000"), taken}) {
    SCOPED_TRACE(bad);
    try {
      HttpServer server([](const HttpRequest&) { return HttpReply{}; }, {.listen = bad});
      ADD_FAILURE() << "listening on " << server.Url();
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()).rfind("cannot listen on " + bad + ": ", 0), 0u) << error.what();
    }
  }
}

TEST(HttpServer, RunUntilSignalEndsOnSignalOrStop) {
  ConfigSandbox env;
  RecordingServer stopped;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stopped.Server().Stop();
  });
  stopped.Server().RunUntilSignal();
  stopper.join();

  // SIGTERM is ignored until RunUntilSignal takes it over, and is sent until it
  // returns: neither an early nor a lost signal can end or hang the test.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGTERM, &ignore, &previous);
  RecordingServer signalled;
  std::atomic<bool> returned{false};
  std::thread signaller([&] {
    for (int i = 0; i < 200 && !returned; ++i) {
      kill(getpid(), SIGTERM);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  signalled.Server().RunUntilSignal();
  returned = true;
  signaller.join();
  struct sigaction after {};
  sigaction(SIGTERM, &previous, &after);
  EXPECT_EQ(after.sa_handler, SIG_IGN) << "RunUntilSignal restores the handler it found";
  EXPECT_THROW(HttpTransport(signalled.Url()).SendOcspRequest(std::vector<std::uint8_t>{0x30, 0x00}),
               tavrpki::Exception);
}

}  // namespace

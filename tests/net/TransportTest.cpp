// The HTTP client against the in-process server: the addresses it builds, the
// content-type checks, whole bodies in every framing, the size cap, timeouts and
// refused connections.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <string>
#include <vector>

#include "net/HttpTransport.h"
#include "net/NetMessages.h"
#include "support/ConfigSandbox.h"
#include "net/Support.h"

namespace {

using tavrpki::Blob;
using tavrpki::ByteView;
using tavrpki::net::HttpTransport;
using tavrpki::servers::HttpReply;
using tavrpki::test::ConfigSandbox;
using tavrpki::test::FailureText;
using tavrpki::test::RecordingServer;

// Base64 "+/+/Pg==": both characters that must be escaped in a GET path.
const std::vector<std::uint8_t> kAwkwardRequest = {0xFB, 0xFF, 0xBF, 0x3E};

std::vector<std::uint8_t> Bytes(const Blob& blob) { return {blob.begin(), blob.end()}; }

TEST(HttpTransport, OcspGetPathUnderEveryBaseUrl) {
  ConfigSandbox env;
  RecordingServer server;
  const std::string root = server.Url();  // "http://127.0.0.1:PORT/"
  const struct {
    std::string base;
    const char* path;
  } cases[] = {
      {root, "/%2B%2F%2B%2FPg=="},
      {root.substr(0, root.size() - 1), "/%2B%2F%2B%2FPg=="},  // the slash is appended
      {root + "ocsp", "/ocsp/%2B%2F%2B%2FPg=="},
      {root + "ocsp/", "/ocsp/%2B%2F%2B%2FPg=="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base);
    HttpTransport transport(c.base);
    EXPECT_EQ(Bytes(transport.SendOcspRequest(kAwkwardRequest)), (std::vector<std::uint8_t>{0x30, 0x00}));
    const auto request = server.Last();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, c.path);
    const std::string unescaped = tavrpki::servers::UnescapePath(request.path);
    EXPECT_EQ(unescaped.substr(unescaped.size() - 9), "/+/+/Pg==");
  }
}

TEST(HttpTransport, TimeStampPathFromConfiguration) {
  const struct {
    const char* user;
    const char* machine;
    const char* path;
  } cases[] = {
      {"", "", "/tsa/TSPRequest.ashx"},
      {"", "\"TSPRequestPath\"=\"sign\"", "/tsa/sign"},
      {"\"TSPRequestPath\"=\"\"", "\"TSPRequestPath\"=\"sign\"", "/tsa"},  // empty: the address as given
      {"\"TSPRequestPath\"=\"v2/ts\"", "", "/tsa/v2/ts"},
  };
  RecordingServer server({200, "application/timestamp-reply", {0x30, 0x03, 0x02, 0x01, 0x00}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ConfigSandbox env;
    env.WriteUser(c.user);
    env.WriteSystem(c.machine);
    HttpTransport transport(server.Url() + "tsa");
    EXPECT_EQ(Bytes(transport.SendTimeStampQuery(kAwkwardRequest)),
              (std::vector<std::uint8_t>{0x30, 0x03, 0x02, 0x01, 0x00}));
    const auto request = server.Last();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, c.path);
    EXPECT_EQ(request.contentType, "application/timestamp-query");
    EXPECT_EQ(request.body, kAwkwardRequest);
  }
}

// A valid reply under the wrong type is refused; so is a reply with no type.
TEST(HttpTransport, ContentTypeMustMatchTheExchange) {
  ConfigSandbox env;
  const struct {
    bool ocsp;
    const char* served;
    const char* message;
  } cases[] = {
      {true, "application/timestamp-reply", "Response type isn't ocsp-response."},
      {true, "", "Response type isn't ocsp-response."},
      {true, "text/html", "Response type isn't ocsp-response."},
      {false, "application/ocsp-response", "Response type isn't timestamp-reply."},
      {false, "", "Response type isn't timestamp-reply."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.served);
    RecordingServer server({200, c.served, {0x30, 0x00}});
    HttpTransport transport(server.Url());
    EXPECT_EQ(FailureText([&] {
                if (c.ocsp)
                  transport.SendOcspRequest(kAwkwardRequest);
                else
                  transport.SendTimeStampQuery(kAwkwardRequest);
              }),
              c.message);
  }
}

// Bodies are read whole without a Content-Length; beyond 16 MiB reading stops with
// one clear message whether the size was announced or not.
TEST(HttpTransport, BodiesReadWholeUpToTheCap) {
  ConfigSandbox env;
  std::vector<std::uint8_t> large(300 * 1024);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  const std::vector<std::uint8_t> junk(20 * 1000 * 1000, 0x5A);
  const std::string tooLarge = "Response is larger than 16777216 bytes; reading stopped.";
  const struct {
    const std::vector<std::uint8_t>* body;
    bool chunked;
    const char* failure;
  } cases[] = {
      {&large, true, nullptr},
      {&large, false, nullptr},
      {&junk, true, tooLarge.c_str()},
      {&junk, false, tooLarge.c_str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.body->size()) + (c.chunked ? " chunked" : " with length"));
    RecordingServer server({200, "application/ocsp-response", *c.body, c.chunked});
    HttpTransport transport(server.Url());
    if (c.failure == nullptr)
      EXPECT_EQ(Bytes(transport.SendOcspRequest(kAwkwardRequest)), *c.body);
    else
      EXPECT_EQ(FailureText([&] { transport.SendOcspRequest(kAwkwardRequest); }), c.failure);
  }
}

TEST(HttpTransport, SlowServerFailsAfterTheConfiguredTimeout) {
  ConfigSandbox env;
  env.WriteUser("\"HttpTimeout\"=dword:00000001");
  std::mutex lock;
  std::condition_variable released;
  bool done = false;
  tavrpki::servers::HttpServer server([&](const tavrpki::servers::HttpRequest&) {
    std::unique_lock<std::mutex> hold(lock);
    released.wait_for(hold, std::chrono::seconds(10), [&] { return done; });
    return HttpReply{200, "application/ocsp-response", {0x30, 0x00}};
  });
  HttpTransport transport(server.Url());
  const auto start = std::chrono::steady_clock::now();
  const std::string failure = FailureText([&] { transport.SendOcspRequest(kAwkwardRequest); });
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  {
    std::lock_guard<std::mutex> hold(lock);
    done = true;
  }
  released.notify_all();
  EXPECT_NE(failure.find("timed out"), std::string::npos) << failure;
  EXPECT_GE(seconds, 0.9);
  EXPECT_LT(seconds, 5.0);
}

TEST(HttpTransport, UnreachableOrMalformedAddressesFailAtOnce) {
  ConfigSandbox env;
  std::string closed;
  {
    RecordingServer server;
    closed = server.Url();
  }  // stopped: the port is closed now
  const std::string noPath = closed.substr(0, closed.size() - 1);
  const struct {
    bool get;
    std::string url;
    const char* expected;  // the message, or a part of libcurl's text
  } cases[] = {
      {true, closed, "Failed to connect"},
      {false, closed, "Failed to connect"},
      {true, noPath, "Url path is invalid. Check configuration."},
      {true, "http://:8080/ocsp/", "HostName is invalid. Check configuration."},
      {true, "ftp://127.0.0.1/x", "not supported"},
      {false, "127.0.0.1/tsp", "Url 127.0.0.1/tsp is invalid: "},  // no scheme
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    HttpTransport transport("http://unused/");
    const auto start = std::chrono::steady_clock::now();
    const std::string failure = FailureText([&] {
      if (c.get)
        transport.Get(c.url);
      else
        transport.Post(c.url, "application/timestamp-query", kAwkwardRequest);
    });
    EXPECT_NE(failure.find(c.expected), std::string::npos) << failure;
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
  }
}

}  // namespace

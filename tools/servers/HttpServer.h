// The HTTP server under the tool's `serve` commands: libmicrohttpd with its own pool
// of threads, one handler function for every request.
//
//   HttpServer server([](const HttpRequest& request) {
//     return HttpReply{200, "application/ocsp-response", Answer(request.body)};
//   }, {.listen = "127.0.0.1:0"});
//   ... server.Port() ...
//   server.RunUntilSignal(announce);   // SIGINT or SIGTERM: stop and return
//
// The handler runs on the pool's threads, several at once: it must be thread-safe.
// An exception escaping it becomes 500. Request bodies above the cap are refused
// with 413 before the handler sees them, and are never buffered beyond the cap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct MHD_Daemon;

namespace tavrpki::servers {

struct HttpRequest {
  std::string method;       // "GET", "POST", ...
  std::string path;         // as sent, escapes kept ("/MEow%2BA..."); no query
  std::string contentType;  // empty when the request has none
  std::vector<std::uint8_t> body;
};

struct HttpReply {
  unsigned status = 200;
  std::string contentType;  // no Content-Type header when empty
  std::vector<std::uint8_t> body;
  // Sent in chunks without Content-Length, as some servers answer.
  bool chunked = false;
};

using HttpHandler = std::function<HttpReply(const HttpRequest&)>;

struct HttpServerOptions {
  // "ADDR:PORT", "[IPv6]:PORT" or ":PORT" (127.0.0.1); port 0 takes a free one.
  std::string listen = "127.0.0.1:0";
  unsigned threads = 0;  // 0: one per hardware thread
  unsigned connectionTimeoutSeconds = 10;  // an idle connection is closed after it
  std::size_t maxBodySize = 64 * 1024;
};

class HttpServer {
 public:
  // Listens and starts the threads; throws std::runtime_error naming the address
  // and the system's reason when it cannot.
  explicit HttpServer(HttpHandler handler, HttpServerOptions options = {});
  ~HttpServer();  // stops
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // The bound port (the chosen one when asked for 0) and address.
  std::uint16_t Port() const { return m_port; }
  const std::string& Host() const { return m_host; }
  // "http://HOST:PORT/" for clients ("[::1]" for IPv6).
  std::string Url() const;

  // Closes the listening socket and every connection, waiting for handlers that are
  // running to return. Safe to call more than once and from any thread but the
  // handler's own.
  void Stop();
  // Blocks until SIGINT or SIGTERM arrives or Stop() is called elsewhere, then stops.
  // `ready` runs once the two signals are taken over: a server that announces
  // itself there cannot be killed by a signal sent as soon as it is announced.
  // The previous handlers of the two signals are restored on return.
  void RunUntilSignal(const std::function<void()>& ready = {});

  // What the request callbacks of libmicrohttpd read.
  const HttpHandler& Handler() const { return m_handler; }
  std::size_t MaxBodySize() const { return m_options.maxBodySize; }

 private:
  HttpHandler m_handler;
  HttpServerOptions m_options;
  std::string m_host;
  std::uint16_t m_port = 0;
  std::mutex m_stopLock;
  MHD_Daemon* m_daemon = nullptr;
};

// `path` with every "%HH" decoded ('+' stays '+': this is a path, not a form);
// a '%' without two hex digits after it is kept as it is.
std::string UnescapePath(std::string_view path);

}  // namespace tavrpki::servers

#include "servers/HttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

namespace tavrpki::servers {
namespace {

constexpr std::size_t kChunkSize = 4096;

// One request while its body arrives. A body over the cap is dropped as it comes,
// so a large upload costs the server nothing but the reading.
struct Pending {
  HttpRequest request;
  bool tooLarge = false;
};

[[noreturn]] void Fail(const std::string& listen, const std::string& reason) {
  throw std::runtime_error("cannot listen on " + listen + ": " + reason);
}

// Splits "ADDR:PORT", "[ADDR]:PORT" or ":PORT".
std::pair<std::string, std::string> SplitListen(const std::string& listen) {
  const std::size_t colon = listen.rfind(':');
  if (colon == std::string::npos) Fail(listen, "expected ADDR:PORT");
  std::string host = listen.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.empty()) host = "127.0.0.1";
  return {host, listen.substr(colon + 1)};
}

// The listening socket is ours, not libmicrohttpd's, so that a failure to bind
// reports the system's reason and port 0 can be read back.
int Listen(const std::string& listen, std::string& host, std::uint16_t& port) {
  const auto [name, service] = SplitListen(listen);
  char* end = nullptr;
  const unsigned long number = std::strtoul(service.c_str(), &end, 10);
  if (service.empty() || *end != 0 || number > 65535) Fail(listen, "bad port '" + service + "'");
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int lookup = getaddrinfo(name.c_str(), service.c_str(), &hints, &found);
  if (lookup != 0) Fail(listen, gai_strerror(lookup));
  const std::unique_ptr<addrinfo, void (*)(addrinfo*)> guard(found, freeaddrinfo);
  const int fd = socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
  if (fd < 0) Fail(listen, std::strerror(errno));
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, SOMAXCONN) != 0) {
    const int error = errno;
    close(fd);
    Fail(listen, std::strerror(error));
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  char text[INET6_ADDRSTRLEN] = {0};
  if (bound.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&bound);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    port = ntohs(v6->sin6_port);
  } else {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&bound);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    port = ntohs(v4->sin_port);
  }
  host = text;
  return fd;
}

// Paths reach the handler as sent: OCSP GET requests carry Base64 whose escapes
// ("%2F", "%2B") the handler must see to tell them from real separators.
size_t KeepEscapes(void*, MHD_Connection*, char* text) { return std::strlen(text); }

ssize_t ReadChunk(void* context, std::uint64_t position, char* buffer, size_t max) {
  const auto* body = static_cast<const std::vector<std::uint8_t>*>(context);
  if (position >= body->size()) return MHD_CONTENT_READER_END_OF_STREAM;
  const size_t count = std::min({max, kChunkSize, static_cast<size_t>(body->size() - position)});
  std::memcpy(buffer, body->data() + position, count);
  return static_cast<ssize_t>(count);
}

void FreeChunks(void* context) { delete static_cast<std::vector<std::uint8_t>*>(context); }

MHD_Result Send(MHD_Connection* connection, HttpReply reply) {
  MHD_Response* response = nullptr;
  if (reply.chunked) {
    auto* body = new std::vector<std::uint8_t>(std::move(reply.body));
    response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kChunkSize, &ReadChunk, body, &FreeChunks);
    if (response == nullptr) delete body;
  } else {
    response = MHD_create_response_from_buffer(reply.body.size(), reply.body.data(), MHD_RESPMEM_MUST_COPY);
  }
  if (response == nullptr) return MHD_NO;
  if (!reply.contentType.empty()) MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
  const MHD_Result queued = MHD_queue_response(connection, reply.status, response);
  MHD_destroy_response(response);
  return queued;
}

HttpReply TooLarge() {
  const std::string text = "request body too large\n";
  return {MHD_HTTP_CONTENT_TOO_LARGE, "text/plain", {text.begin(), text.end()}};
}

MHD_Result OnRequest(void* context, MHD_Connection* connection, const char* url, const char* method,
                     const char*, const char* data, size_t* size, void** state) {
  const auto* server = static_cast<const HttpServer*>(context);
  auto* pending = static_cast<Pending*>(*state);
  if (pending == nullptr) {  // headers only, so far
    pending = new Pending;
    *state = pending;  // freed when the request completes, whatever happens next
    pending->request.method = method;
    pending->request.path = url;
    const char* type = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE);
    if (type != nullptr) pending->request.contentType = type;
    const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    // An announced oversize body is refused before it is read (and before
    // "100 Continue" invites it).
    if (length != nullptr && std::strtoull(length, nullptr, 10) > server->MaxBodySize()) {
      pending->tooLarge = true;
      return Send(connection, TooLarge());
    }
    return MHD_YES;
  }
  if (*size != 0) {
    std::vector<std::uint8_t>& body = pending->request.body;
    if (!pending->tooLarge && *size <= server->MaxBodySize() - body.size()) {
      body.insert(body.end(), data, data + *size);
    } else if (!pending->tooLarge) {
      pending->tooLarge = true;
      std::vector<std::uint8_t>().swap(body);
    }
    *size = 0;
    return MHD_YES;
  }
  if (pending->tooLarge) return Send(connection, TooLarge());
  HttpReply reply;
  try {
    reply = server->Handler()(pending->request);
  } catch (...) {
    const std::string text = "internal error\n";
    reply = {MHD_HTTP_INTERNAL_SERVER_ERROR, "text/plain", {text.begin(), text.end()}};
  }
  return Send(connection, std::move(reply));
}

void OnCompleted(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode) {
  delete static_cast<Pending*>(*state);
  *state = nullptr;
}

// The signal handler's only channel: a pipe, written from the handler (write is
// async-signal-safe) and polled by RunUntilSignal.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

HttpServer::HttpServer(HttpHandler handler, HttpServerOptions options)
    : m_handler(std::move(handler)), m_options(std::move(options)) {
  const int fd = Listen(m_options.listen, m_host, m_port);
  unsigned threads = m_options.threads != 0 ? m_options.threads : std::thread::hardware_concurrency();
  if (threads == 0) threads = 1;
  m_daemon = MHD_start_daemon(MHD_USE_AUTO | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_ITC, 0, nullptr, nullptr,
                              &OnRequest, this,
                              MHD_OPTION_LISTEN_SOCKET, fd,
                              MHD_OPTION_THREAD_POOL_SIZE, threads,
                              MHD_OPTION_CONNECTION_TIMEOUT, m_options.connectionTimeoutSeconds,
                              MHD_OPTION_UNESCAPE_CALLBACK, &KeepEscapes, nullptr,
                              MHD_OPTION_NOTIFY_COMPLETED, &OnCompleted, nullptr,
                              MHD_OPTION_END);
  if (m_daemon == nullptr) {
    close(fd);
    Fail(m_options.listen, "the HTTP server did not start");
  }
}

HttpServer::~HttpServer() { Stop(); }

std::string HttpServer::Url() const {
  const bool v6 = m_host.find(':') != std::string::npos;
  return "http://" + (v6 ? "[" + m_host + "]" : m_host) + ":" + std::to_string(m_port) + "/";
}

void HttpServer::Stop() {
  std::lock_guard<std::mutex> lock(m_stopLock);
  if (m_daemon == nullptr) return;
  // libmicrohttpd closes the listening socket it was given.
  MHD_stop_daemon(m_daemon);
  m_daemon = nullptr;
}

void HttpServer::RunUntilSignal(const std::function<void()>& ready) {
  static std::once_flag once;
  std::call_once(once, [] {
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
      throw std::runtime_error(std::string("cannot wait for signals: ") + std::strerror(errno));
  });
  char drain[64];
  while (read(g_signalPipe[0], drain, sizeof drain) > 0) {
  }
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  struct sigaction oldInterrupt {}, oldTerminate {};
  sigaction(SIGINT, &action, &oldInterrupt);
  sigaction(SIGTERM, &action, &oldTerminate);
  if (ready) ready();
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m_stopLock);
      if (m_daemon == nullptr) break;
    }
    pollfd wait{g_signalPipe[0], POLLIN, 0};
    if (poll(&wait, 1, 200) > 0) break;  // a Stop() elsewhere is seen within 200 ms
  }
  sigaction(SIGINT, &oldInterrupt, nullptr);
  sigaction(SIGTERM, &oldTerminate, nullptr);
  Stop();
}

std::string UnescapePath(std::string_view path) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '%' && i + 2 < path.size() && hex(path[i + 1]) >= 0 && hex(path[i + 2]) >= 0) {
      out += static_cast<char>(hex(path[i + 1]) << 4 | hex(path[i + 2]));
      i += 2;
    } else {
      out += path[i];
    }
  }
  return out;
}

}  // namespace tavrpki::servers

#include "TsaService.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tavrpki::servers {
namespace {

constexpr std::size_t kMaxBody = 64 * 1024;  // a request is a hash and a few small fields
constexpr unsigned kIdleSeconds = 30;
constexpr unsigned kMaxConnections = 1024;  // with kMaxBody, bounds what clients can make it hold

// What one HTTP request has sent so far, from the first callback to completion.
struct Exchange {
  unsigned refusal = 0;  // an HTTP status decided before the body is read; 0: none
  std::vector<std::uint8_t> body;
};

bool IsTimeStampPath(const char* url) {
  return std::strcmp(url, "/") == 0 || std::strcmp(url, "/TSPRequest.ashx") == 0;
}

// The media type without parameters, compared case-insensitively (RFC 9110, 8.3.1).
bool IsQueryType(const char* value) {
  if (value == nullptr) return false;
  static constexpr char kType[] = "application/timestamp-query";
  const std::size_t n = sizeof kType - 1;
  if (strncasecmp(value, kType, n) != 0) return false;
  const char rest = value[n];
  return rest == '\0' || rest == ';' || rest == ' ' || rest == '\t';
}

MHD_Result Reply(MHD_Connection* connection, unsigned status, const std::vector<std::uint8_t>& body,
                 const char* type) {
  MHD_Response* response =
      MHD_create_response_from_buffer(body.size(), const_cast<std::uint8_t*>(body.data()), MHD_RESPMEM_MUST_COPY);
  if (response == nullptr) return MHD_NO;
  if (type != nullptr) MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
  if (status == MHD_HTTP_METHOD_NOT_ALLOWED) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "POST");
  const MHD_Result queued = MHD_queue_response(connection, status, response);
  MHD_destroy_response(response);
  return queued;
}

MHD_Result Handle(void* context, MHD_Connection* connection, const char* url, const char* method,
                  const char* /*version*/, const char* upload, std::size_t* uploadSize, void** state) {
  auto* exchange = static_cast<Exchange*>(*state);
  if (exchange == nullptr) {
    exchange = new Exchange();
    *state = exchange;
    if (!IsTimeStampPath(url))
      exchange->refusal = MHD_HTTP_NOT_FOUND;
    else if (std::strcmp(method, MHD_HTTP_METHOD_POST) != 0)
      exchange->refusal = MHD_HTTP_METHOD_NOT_ALLOWED;
    else if (!IsQueryType(MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE)))
      exchange->refusal = MHD_HTTP_UNSUPPORTED_MEDIA_TYPE;
    return MHD_YES;
  }
  if (*uploadSize != 0) {
    // A refused request's body is read and dropped, so the connection stays usable.
    if (exchange->refusal == 0) {
      if (exchange->body.size() + *uploadSize > kMaxBody) {
        exchange->refusal = MHD_HTTP_CONTENT_TOO_LARGE;
        exchange->body = {};
      } else {
        exchange->body.insert(exchange->body.end(), upload, upload + *uploadSize);
      }
    }
    *uploadSize = 0;
    return MHD_YES;
  }
  if (exchange->refusal != 0) return Reply(connection, exchange->refusal, {}, nullptr);
  auto& authority = *static_cast<TimeStampAuthority*>(context);
  return Reply(connection, MHD_HTTP_OK, authority.Answer(exchange->body), "application/timestamp-reply");
}

void Completed(void* /*context*/, MHD_Connection* /*connection*/, void** state, MHD_RequestTerminationCode) {
  delete static_cast<Exchange*>(*state);
  *state = nullptr;
}

sockaddr_in ParseListen(const std::string& listen, std::string& host) {
  const auto colon = listen.rfind(':');
  sockaddr_in address{};
  address.sin_family = AF_INET;
  if (colon == std::string::npos || colon == 0 || colon + 1 == listen.size())
    throw std::runtime_error("--listen: give ADDR:PORT, for example 127.0.0.1:3161");
  host = listen.substr(0, colon);
  if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
    throw std::runtime_error("--listen: '" + host + "' is not an IPv4 address");
  unsigned long port = 0;
  for (std::size_t i = colon + 1; i < listen.size(); ++i) {
    if (listen[i] < '0' || listen[i] > '9' || (port = port * 10 + static_cast<unsigned long>(listen[i] - '0')) > 65535)
      throw std::runtime_error("--listen: the port must be a number from 0 to 65535");
  }
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

TsaService::TsaService(TimeStampAuthority& authority, const std::string& listen, unsigned threads)
    : m_authority(authority) {
  sockaddr_in address = ParseListen(listen, m_host);
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  m_daemon = MHD_start_daemon(
      MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL, 0, nullptr, nullptr, &Handle, &m_authority,
      MHD_OPTION_SOCK_ADDR, &address, MHD_OPTION_THREAD_POOL_SIZE, threads, MHD_OPTION_CONNECTION_TIMEOUT,
      kIdleSeconds, MHD_OPTION_CONNECTION_LIMIT, kMaxConnections, MHD_OPTION_NOTIFY_COMPLETED, &Completed, nullptr, MHD_OPTION_END);
  if (m_daemon == nullptr) throw std::runtime_error("cannot listen on " + listen + " (address in use or not ours?)");
  const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
  m_port = info != nullptr ? info->port : ntohs(address.sin_port);
}

TsaService::~TsaService() { MHD_stop_daemon(m_daemon); }

std::string TsaService::Address() const { return m_host + ":" + std::to_string(m_port); }

void TsaService::BlockStopSignals() {
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void TsaService::Run() {
  const sigset_t set = StopSignals();
  int received = 0;
  while (sigwait(&set, &received) != 0) {
  }
}

}  // namespace tavrpki::servers

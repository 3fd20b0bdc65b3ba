// The time-stamp authority on HTTP (RFC 3161, 3.4): POST application/timestamp-query
// at "/" and at "/TSPRequest.ashx", answered with application/timestamp-reply.
// Other paths get 404, other methods 405, another content type 415, a body over
// 64 KiB 413; a request is 200 whatever the authority decides, the decision is in
// the TimeStampResp.
//
// The daemon's worker threads (one per core, each polling its own connections)
// call TimeStampAuthority::Answer concurrently. Every connection idles out after
// 30 seconds, so a silent client holds nothing for long.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "TimeStampAuthority.h"

struct MHD_Daemon;

namespace tavrpki::servers {

class TsaService {
 public:
  // Starts serving on `listen` ("ADDR:PORT", IPv4; port 0 picks a free one).
  // std::runtime_error when the address is malformed or cannot be bound.
  TsaService(TimeStampAuthority& authority, const std::string& listen, unsigned threads = 0);
  // Stops accepting, finishes the requests in progress, closes every connection.
  ~TsaService();
  TsaService(const TsaService&) = delete;
  TsaService& operator=(const TsaService&) = delete;

  // "ADDR:PORT" with the port actually bound.
  std::string Address() const;
  std::uint16_t Port() const { return m_port; }

  // Blocks until SIGINT or SIGTERM arrives (those two are blocked in the calling
  // thread and collected there), then returns; the caller destroys the service.
  // Construct the service after BlockStopSignals() so that no worker takes them.
  void Run();
  static void BlockStopSignals();

  TimeStampAuthority& Authority() { return m_authority; }

 private:
  TimeStampAuthority& m_authority;
  std::string m_host;
  std::uint16_t m_port = 0;
  MHD_Daemon* m_daemon = nullptr;
};

}  // namespace tavrpki::servers

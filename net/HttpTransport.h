// The HTTP client of the OCSP and time-stamp clients: one DER request out, the DER
// response and its content type back, synchronously on the caller's thread.
//
// A transport keeps one connection handle (reused, so a second exchange with the
// same server may keep its connection) and must be used by one thread at a time;
// transports on different threads are independent. Every failure throws the
// uncoded `Exception` of net/NetMessages.h: libcurl's text when the exchange
// itself fails, the content-type messages when the answer is of the wrong kind.
// The HTTP status is not examined: an error page fails the content-type check.
//
// Configuration (user hive first, then the machine's), read at every exchange:
//   "HttpConnectTimeout"  dword, seconds to establish the connection (default 10)
//   "HttpTimeout"         dword, seconds for the whole exchange (default 30)
//   "TSPRequestPath"      text appended to the base URL for time-stamp queries
//                         (default "TSPRequest.ashx"; empty: the URL as given)
// A timeout of 0 means the default. Proxies come from the usual environment
// variables (http_proxy, https_proxy, no_proxy), as libcurl reads them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "asn1/Blob.h"

namespace tavrpki::net {

inline constexpr const char* kOcspRequestType = "application/ocsp-request";
inline constexpr const char* kOcspResponseType = "application/ocsp-response";
inline constexpr const char* kTimeStampQueryType = "application/timestamp-query";
inline constexpr const char* kTimeStampReplyType = "application/timestamp-reply";
inline constexpr const char* kDefaultTimeStampPath = "TSPRequest.ashx";
// Bodies beyond this are refused while they arrive, never buffered whole.
inline constexpr std::uint32_t kMaxResponseSize = 16u << 20;

struct HttpResponse {
  std::string contentType;  // the Content-Type header as sent; empty when absent
  Blob body;
};

class HttpTransport {
 public:
  // Keeps `baseUrl`, with "/" appended when it does not end in one. Throws
  // kMsgTransportUnavailable when libcurl cannot give a handle.
  explicit HttpTransport(std::string_view baseUrl);
  ~HttpTransport();
  HttpTransport(const HttpTransport&) = delete;
  HttpTransport& operator=(const HttpTransport&) = delete;

  // GET of the base URL followed by the Base64 of `request` with "/" and "+"
  // escaped; the answer must be "application/ocsp-response".
  Blob SendOcspRequest(ByteView request);
  // POST of `query` as "application/timestamp-query" to the base URL followed by
  // "TSPRequestPath" (the original URL when that is empty); the answer must be
  // "application/timestamp-reply".
  Blob SendTimeStampQuery(ByteView query);

  // One exchange. A query in `url` is not sent. POST sends "Content-Type" only when
  // `contentType` is not empty. GET first checks that `url` names a host
  // (kMsgInvalidHostName) and a path (kMsgInvalidUrlPath).
  HttpResponse Post(const std::string& url, std::string_view contentType, ByteView body);
  HttpResponse Get(const std::string& url);

  const std::string& BaseUrl() const { return m_baseUrl; }

 private:
  HttpResponse Exchange(const std::string& url, bool post, std::string_view contentType, ByteView body);

  void* m_session;  // the CURL easy handle; kept opaque so that only net/ sees curl
  std::string m_baseUrl;
  std::string m_givenUrl;  // as constructed, for an empty "TSPRequestPath"
};

// The Base64 text of `request` as it goes into an OCSP GET path: "/" as "%2F",
// "+" as "%2B" ('=' padding is kept).
std::string OcspGetPath(ByteView request);

}  // namespace tavrpki::net

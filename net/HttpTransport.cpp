#include "net/HttpTransport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <new>

#include "asn1/Base64.h"
#include "core/RegistryHandler.h"
#include "net/NetMessages.h"

namespace tavrpki::net {
namespace {

constexpr std::uint32_t kUnsetDword = 0xFFFFFFFFu;
// No configured text can be this: it tells "absent" from "empty" in the user's hive.
constexpr const char* kUnsetText = "\x01";
constexpr long kMaxRedirects = 5;

// curl_global_init is not thread-safe and must run before the first easy handle.
CURLcode GlobalInit() {
  static std::once_flag once;
  static CURLcode result = CURLE_OK;
  std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
  return result;
}

std::uint32_t ConfiguredDword(const char* name, std::uint32_t fallback) {
  std::uint32_t value = RegistryHandler::ReadDword(true, "", name, kUnsetDword);
  if (value == kUnsetDword) value = RegistryHandler::ReadDword(false, "", name, kUnsetDword);
  return value == kUnsetDword || value == 0 ? fallback : value;
}

std::string ConfiguredTimeStampPath() {
  std::string path = RegistryHandler::ReadString(true, "TSPRequestPath", kUnsetText);
  if (path == kUnsetText) path = RegistryHandler::ReadString(false, "TSPRequestPath", kDefaultTimeStampPath);
  return path;
}

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct TextDeleter {
  void operator()(char* text) const { curl_free(text); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;
using CurlText = std::unique_ptr<char, TextDeleter>;

// Appends to a list that owns its strings; a failed append leaves the old list
// alive in `list`, so nothing leaks.
void Append(std::unique_ptr<curl_slist, ListDeleter>& list, const char* line) {
  curl_slist* grown = curl_slist_append(list.get(), line);
  if (grown == nullptr) throw std::bad_alloc();
  list.release();
  list.reset(grown);
}

// The response body as it arrives, refused past the cap so that a hostile or broken
// server cannot make us buffer without bound.
struct Sink {
  Blob body;
  bool tooLarge = false;
  bool failed = false;
};

size_t Receive(char* data, size_t size, size_t count, void* context) {
  auto* sink = static_cast<Sink*>(context);
  const size_t length = size * count;  // size is 1 for body data
  if (length > kMaxResponseSize - sink->body.Size()) {
    sink->tooLarge = true;
    return 0;  // stops the transfer with CURLE_WRITE_ERROR
  }
  try {
    sink->body.Append(ByteView(reinterpret_cast<const std::uint8_t*>(data), length));
  } catch (...) {  // nothing may unwind through libcurl
    sink->failed = true;
    return 0;
  }
  return length;
}

// True when `url` has a path after its authority ("http://host/..."), as a URL
// parser that keeps "http://host" apart from "http://host/" would report it.
bool HasPath(const std::string& url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string::npos) return false;
  const std::size_t end = url.find_first_of("/?#", scheme + 3);
  return end != std::string::npos && url[end] == '/';
}

void SetOrThrow(CURLcode code) {
  if (code != CURLE_OK) Raise(kMsgTransferFailed, curl_easy_strerror(code));
}

}  // namespace

std::string OcspGetPath(ByteView request) {
  const std::string text = Base64Encode(request);
  std::string path;
  path.reserve(text.size() + text.size() / 2);
  for (char c : text) {
    if (c == '/')
      path += "%2F";
    else if (c == '+')
      path += "%2B";
    else
      path += c;
  }
  return path;
}

HttpTransport::HttpTransport(std::string_view baseUrl) : m_session(nullptr), m_baseUrl(baseUrl), m_givenUrl(baseUrl) {
  if (m_baseUrl.empty() || m_baseUrl.back() != '/') m_baseUrl += '/';
  const CURLcode init = GlobalInit();
  if (init != CURLE_OK) Raise(kMsgTransportUnavailable, curl_easy_strerror(init));
  m_session = curl_easy_init();
  if (m_session == nullptr) Raise(kMsgTransportUnavailable, "no handle");
}

HttpTransport::~HttpTransport() { curl_easy_cleanup(static_cast<CURL*>(m_session)); }

Blob HttpTransport::SendOcspRequest(ByteView request) {
  HttpResponse response = Get(m_baseUrl + OcspGetPath(request));
  if (response.contentType != kOcspResponseType) Raise(kMsgNotOcspResponse);
  return std::move(response.body);
}

Blob HttpTransport::SendTimeStampQuery(ByteView query) {
  const std::string path = ConfiguredTimeStampPath();
  HttpResponse response = Post(path.empty() ? m_givenUrl : m_baseUrl + path, kTimeStampQueryType, query);
  if (response.contentType != kTimeStampReplyType) Raise(kMsgNotTimeStampReply);
  return std::move(response.body);
}

HttpResponse HttpTransport::Post(const std::string& url, std::string_view contentType, ByteView body) {
  return Exchange(url, true, contentType, body);
}

HttpResponse HttpTransport::Get(const std::string& url) { return Exchange(url, false, {}, {}); }

HttpResponse HttpTransport::Exchange(const std::string& url, bool post, std::string_view contentType,
                                     ByteView body) {
  CURL* session = static_cast<CURL*>(m_session);
  curl_easy_reset(session);  // options of the last exchange go; its connection stays

  UrlHandle parsed(curl_url());
  if (!parsed) throw std::bad_alloc();
  const CURLUcode parse = curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0);
  if (!post && parse == CURLUE_NO_HOST) Raise(kMsgInvalidHostName);
  if (parse != CURLUE_OK) Raise(kMsgInvalidUrl, url.c_str(), curl_url_strerror(parse));
  if (!post) {
    char* host = nullptr;
    const bool hasHost = curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK;
    const CurlText hostText(host);
    if (!hasHost || host[0] == 0) Raise(kMsgInvalidHostName);
    if (!HasPath(url)) Raise(kMsgInvalidUrlPath);
  }
  // The query of a configured address is not part of the request, and the fragment
  // never is.
  curl_url_set(parsed.get(), CURLUPART_QUERY, nullptr, 0);
  curl_url_set(parsed.get(), CURLUPART_FRAGMENT, nullptr, 0);

  // The handle must not keep pointers into this frame (error buffer, header list,
  // URL) once the exchange is over, however it ends.
  struct Detach {
    CURL* session;
    ~Detach() {
      curl_easy_setopt(session, CURLOPT_ERRORBUFFER, nullptr);
      curl_easy_setopt(session, CURLOPT_HTTPHEADER, nullptr);
      curl_easy_setopt(session, CURLOPT_CURLU, nullptr);
      curl_easy_setopt(session, CURLOPT_WRITEDATA, nullptr);
    }
  };

  const long connectTimeout = ConfiguredDword("HttpConnectTimeout", 10);
  const long totalTimeout = ConfiguredDword("HttpTimeout", 30);
  Sink sink;
  char error[CURL_ERROR_SIZE] = {0};
  std::unique_ptr<curl_slist, ListDeleter> headers;
  const Detach detach{session};  // declared after what it detaches, so it runs first

  SetOrThrow(curl_easy_setopt(session, CURLOPT_CURLU, parsed.get()));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_PROTOCOLS_STR, "http,https"));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_FOLLOWLOCATION, 1L));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_MAXREDIRS, kMaxRedirects));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_USERAGENT, "PKI"));
  // Timeouts without signals: the caller's thread may be one of many.
  SetOrThrow(curl_easy_setopt(session, CURLOPT_NOSIGNAL, 1L));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_CONNECTTIMEOUT, connectTimeout));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_TIMEOUT, totalTimeout));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxResponseSize)));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_ERRORBUFFER, error));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_WRITEFUNCTION, &Receive));
  SetOrThrow(curl_easy_setopt(session, CURLOPT_WRITEDATA, &sink));
  if (post) {
    // Without a type, no Content-Type at all (libcurl would send a form type). No
    // "Expect: 100-continue" either: servers that ignore it would cost us a second.
    const std::string typeLine = "Content-Type: " + std::string(contentType);
    Append(headers, contentType.empty() ? "Content-Type:" : typeLine.c_str());
    Append(headers, "Expect:");
    static const char kEmpty[] = "";
    SetOrThrow(curl_easy_setopt(session, CURLOPT_POST, 1L));
    SetOrThrow(curl_easy_setopt(session, CURLOPT_POSTFIELDS,
                                body.empty() ? kEmpty : reinterpret_cast<const char*>(body.data())));
    SetOrThrow(curl_easy_setopt(session, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())));
    SetOrThrow(curl_easy_setopt(session, CURLOPT_HTTPHEADER, headers.get()));
  } else {
    SetOrThrow(curl_easy_setopt(session, CURLOPT_HTTPGET, 1L));
  }

  const CURLcode result = curl_easy_perform(session);
  if (sink.tooLarge || result == CURLE_FILESIZE_EXCEEDED) Raise(kMsgResponseTooLarge, kMaxResponseSize);
  if (sink.failed) throw std::bad_alloc();
  if (result != CURLE_OK) Raise(kMsgTransferFailed, error[0] != 0 ? error : curl_easy_strerror(result));

  HttpResponse response;
  char* type = nullptr;
  if (curl_easy_getinfo(session, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type != nullptr)
    response.contentType = type;
  response.body = std::move(sink.body);
  return response;
}

}  // namespace tavrpki::net

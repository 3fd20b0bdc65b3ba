// One HTTP client connection for the tests (libcurl, kept alive between posts),
// every exchange bounded in time so that no test can hang on a server.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrpki::test {

struct HttpReply {
  long status = 0;
  std::string contentType;
  std::vector<std::uint8_t> body;
};

class HttpPoster {
 public:
  HttpPoster() : m_curl(curl_easy_init()) {
    if (m_curl == nullptr) throw std::runtime_error("curl_easy_init");
  }
  ~HttpPoster() { curl_easy_cleanup(m_curl); }
  HttpPoster(const HttpPoster&) = delete;
  HttpPoster& operator=(const HttpPoster&) = delete;

  // POST `body` (GET when `method` says so); throws when no answer arrives.
  HttpReply Post(const std::string& url, const std::vector<std::uint8_t>& body,
                 const char* contentType = "application/timestamp-query", const char* method = "POST") {
    HttpReply reply;
    curl_slist* headers = nullptr;
    if (contentType != nullptr) headers = curl_slist_append(headers, (std::string("Content-Type: ") + contentType).c_str());
    headers = curl_slist_append(headers, "Expect:");  // no 100-continue round trip
    curl_easy_reset(m_curl);
    curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, headers);
    if (std::string(method) == "POST") {
      curl_easy_setopt(m_curl, CURLOPT_POST, 1L);
      curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, reinterpret_cast<const char*>(body.data()));
      curl_easy_setopt(m_curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    } else {
      curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, method);
    }
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &reply.body);
    const CURLcode result = curl_easy_perform(m_curl);
    curl_slist_free_all(headers);
    if (result != CURLE_OK) throw std::runtime_error(std::string("HTTP exchange failed: ") + curl_easy_strerror(result));
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &reply.status);
    const char* type = nullptr;
    curl_easy_getinfo(m_curl, CURLINFO_CONTENT_TYPE, &type);
    if (type != nullptr) reply.contentType = type;
    return reply;
  }

 private:
  static std::size_t Collect(char* data, std::size_t size, std::size_t count, void* out) {
    auto& body = *static_cast<std::vector<std::uint8_t>*>(out);
    body.insert(body.end(), data, data + size * count);
    return size * count;
  }

  CURL* m_curl;
};

}  // namespace tavrpki::test

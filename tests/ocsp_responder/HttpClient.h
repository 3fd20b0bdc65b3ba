// A plain HTTP client for the responder's tests (libcurl, one connection kept per
// object): the raw answer, status and content type, so that the tests see what
// the server sent rather than what a client library made of it. Every exchange
// has a timeout.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavrpki::test {

struct RawAnswer {
  long status = 0;
  std::string contentType;
  std::vector<std::uint8_t> body;
  std::string error;  // libcurl's text when the exchange failed
};

class HttpClient {
 public:
  HttpClient() : m_curl(curl_easy_init()) {}
  ~HttpClient() { curl_easy_cleanup(m_curl); }
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  RawAnswer Get(const std::string& url) { return Exchange(url, nullptr); }
  RawAnswer Post(const std::string& url, const std::vector<std::uint8_t>& body) { return Exchange(url, &body); }

 private:
  static std::size_t Collect(char* data, std::size_t size, std::size_t count, void* context) {
    auto* body = static_cast<std::vector<std::uint8_t>*>(context);
    body->insert(body->end(), data, data + size * count);
    return size * count;
  }

  RawAnswer Exchange(const std::string& url, const std::vector<std::uint8_t>* body) {
    RawAnswer answer;
    curl_slist* headers = nullptr;
    curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &answer.body);
    if (body != nullptr) {
      headers = curl_slist_append(headers, "Content-Type: application/ocsp-request");
      curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, headers);
      curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, body->data());
      curl_easy_setopt(m_curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
    } else {
      curl_easy_setopt(m_curl, CURLOPT_HTTPGET, 1L);
      curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, nullptr);
    }
    const CURLcode result = curl_easy_perform(m_curl);
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    if (result != CURLE_OK) {
      answer.error = curl_easy_strerror(result);
      return answer;
    }
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &answer.status);
    const char* type = nullptr;
    curl_easy_getinfo(m_curl, CURLINFO_CONTENT_TYPE, &type);
    if (type != nullptr) answer.contentType = type;
    return answer;
  }

  CURL* m_curl;
};

}  // namespace tavrpki::test

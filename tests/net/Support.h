// A server on a free loopback port that remembers the last request and answers
// with whatever the test set, and the text of a transport failure.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "core/Exception.h"
#include "servers/HttpServer.h"

namespace tavrpki::test {

class RecordingServer {
 public:
  explicit RecordingServer(servers::HttpReply reply = {200, "application/ocsp-response", {0x30, 0x00}})
      : m_reply(std::move(reply)), m_server([this](const servers::HttpRequest& request) {
          std::lock_guard<std::mutex> lock(m_lock);
          m_last = request;
          ++m_count;
          return m_reply;
        }) {}

  std::string Url() const { return m_server.Url(); }
  servers::HttpServer& Server() { return m_server; }
  servers::HttpRequest Last() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_last;
  }
  int Count() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_count;
  }

 private:
  std::mutex m_lock;
  servers::HttpReply m_reply;
  servers::HttpRequest m_last;
  int m_count = 0;
  servers::HttpServer m_server;  // last: stopped before the members its handler uses
};

// The message of the Exception `body` throws, or "no exception".
inline std::string FailureText(const std::function<void()>& body) {
  try {
    body();
  } catch (const Exception& error) {
    return error.GetErrorMessage();
  }
  return "no exception";
}

}  // namespace tavrpki::test

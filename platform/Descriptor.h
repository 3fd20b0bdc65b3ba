// A file descriptor closed when it goes out of scope; `Release` hands it over.
// Header-only, so the plugins that link only the password reader can use it too.
#pragma once

#include <unistd.h>

#include <utility>

namespace tavrpki::platform {

class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return m_fd; }
  int Release() { return std::exchange(m_fd, -1); }

 private:
  int m_fd;
};

}  // namespace tavrpki::platform

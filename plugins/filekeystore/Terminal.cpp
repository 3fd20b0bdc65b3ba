#include "Terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "gostcrypto/Wipe.h"
#include "Messages.h"

namespace tavrpki::filekeystore {
namespace {

void WriteText(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a prompt that cannot be shown does not stop the read
    done += static_cast<std::size_t>(n);
  }
}

// Restores the terminal's echo however the read ends.
class EchoOff {
 public:
  explicit EchoOff(int fd) : m_fd(fd) {
    m_saved = ::tcgetattr(fd, &m_original) == 0;
    if (m_saved) {
      termios quiet = m_original;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      quiet.c_lflag |= ECHONL;
      ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
  }
  ~EchoOff() {
    if (m_saved) ::tcsetattr(m_fd, TCSAFLUSH, &m_original);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int m_fd;
  termios m_original{};
  bool m_saved = false;
};

}  // namespace

void WipeString(std::string& text) {
  SecureWipe(text.data(), text.size());
  text.clear();
}

std::string ReadPasswordFromTerminal(const std::string& prompt) {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) Raise(kMsgNoTerminal);
  std::string password;
  password.reserve(256);  // no reallocation leaves a stray copy behind for common lengths
  {
    EchoOff echoOff(fd);
    WriteText(fd, prompt);
    char c = 0;
    for (;;) {
      const ssize_t n = ::read(fd, &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0 || c == '\n') break;
      if (c != '\r') password += c;
    }
    SecureWipeObject(c);
  }
  ::close(fd);
  return password;
}

}  // namespace tavrpki::filekeystore

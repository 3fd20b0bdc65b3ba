#include "platform/Password.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Descriptor.h"

namespace tavrpki::platform {
namespace {

// Echo off until destroyed; new lines still echo, so the next output starts on
// a line of its own.
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

void WriteAll(int fd, const char* text, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, text + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a prompt that cannot be shown does not stop the read
    done += static_cast<std::size_t>(n);
  }
}

// Reads a line from `fd` into `out`, a chunk at a time for files and a byte at a
// time for terminals (`byByte`), so nothing past the line is consumed from a
// terminal. The chunk buffer is wiped before it goes.
PasswordResult ReadLine(int fd, bool byByte, SecretVector& out) {
  out.clear();
  unsigned char chunk[256];
  WipeOnExit guard(chunk, sizeof chunk);
  PasswordResult result;
  bool tooLong = false;
  for (;;) {
    const ssize_t n = ::read(fd, chunk, byByte ? 1 : sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result = {PasswordStatus::kReadError, errno};
      break;
    }
    if (n == 0) break;
    const auto* end = static_cast<const unsigned char*>(std::memchr(chunk, '\n', static_cast<std::size_t>(n)));
    const std::size_t take = end != nullptr ? static_cast<std::size_t>(end - chunk) : static_cast<std::size_t>(n);
    if (out.size() + take > kMaxPasswordLength) {
      tooLong = true;
      if (!byByte) break;  // a file: stop reading at once
    } else {
      out.insert(out.end(), chunk, chunk + take);
    }
    if (end != nullptr) break;
  }
  if (result.status == PasswordStatus::kOk && tooLong) result.status = PasswordStatus::kTooLong;
  if (!out.empty() && out.back() == '\r') out.pop_back();
  if (result.status != PasswordStatus::kOk) out.clear();
  return result;
}

}  // namespace

PasswordResult ReadPasswordFromTerminal(const char* prompt, SecretVector& out) {
  out.clear();
  const Descriptor tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (tty.Get() < 0) return {PasswordStatus::kNoTerminal, errno};
  out.reserve(kMaxPasswordLength + 1);  // never grows while typing
  const EchoOff echoOff(tty.Get());
  if (prompt != nullptr) WriteAll(tty.Get(), prompt, std::strlen(prompt));
  return ReadLine(tty.Get(), true, out);
}

PasswordResult ReadPasswordFromFile(const char* path, SecretVector& out) {
  out.clear();
  const Descriptor file(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) return {PasswordStatus::kReadError, errno};
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) return {PasswordStatus::kReadError, errno};
  if (S_ISDIR(info.st_mode)) return {PasswordStatus::kReadError, EISDIR};
  out.reserve(kMaxPasswordLength + 1);
  return ReadLine(file.Get(), false, out);
}

}  // namespace tavrpki::platform

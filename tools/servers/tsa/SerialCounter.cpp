#include "SerialCounter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <algorithm>
#include <string>

namespace tavrpki::servers {
namespace {

constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;  // serials stay positive 8-octet INTEGERs

[[noreturn]] void Fail(const std::string& path, const std::string& what, int error) {
  throw std::runtime_error("serial state " + path + ": " + what + (error != 0 ? ": " + std::string(std::strerror(error)) : ""));
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The number in the file; 1 when there is no file yet. Anything but decimal
// digits and one newline is damage: guessing a value could repeat serials.
std::uint64_t ReadState(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return 1;
    Fail(path, "cannot read", errno);
  }
  char text[32];
  std::size_t size = 0;
  for (;;) {
    const ssize_t got = ::read(fd, text + size, sizeof text - size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      Fail(path, "cannot read", error);
    }
    if (got == 0 || (size += static_cast<std::size_t>(got)) == sizeof text) break;
  }
  ::close(fd);
  std::uint64_t value = 0;
  std::size_t i = 0;
  for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
    const auto digit = static_cast<std::uint64_t>(text[i] - '0');
    if (value > (kLimit - digit) / 10) Fail(path, "damaged (number out of range)", 0);
    value = value * 10 + digit;
  }
  if (i == 0 || i + 1 != size || text[i] != '\n' || value == 0) Fail(path, "damaged (not one positive decimal number)", 0);
  return value;
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(path, "cannot write", errno);
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

SerialCounter::SerialCounter(std::string path, std::uint64_t block) : m_path(std::move(path)), m_block(block) {
  if (m_block == 0) throw std::invalid_argument("serial block of 0");
  const std::string lockPath = m_path + ".lock";
  m_lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (m_lock < 0) Fail(m_path, "cannot open " + lockPath, errno);
  if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(m_lock);
    Fail(m_path, error == EWOULDBLOCK ? "in use by another time-stamp authority" : "cannot lock", error == EWOULDBLOCK ? 0 : error);
  }
  try {
    m_next = ReadState(m_path);
    m_reserved = m_next;
    Reserve(m_next + std::min(m_block, kLimit - m_next));
  } catch (...) {
    ::close(m_lock);
    throw;
  }
}

SerialCounter::~SerialCounter() { ::close(m_lock); }

std::uint64_t SerialCounter::Next() {
  const std::lock_guard<std::mutex> hold(m_mutex);
  if (m_next == m_reserved) {
    if (m_reserved >= kLimit) Fail(m_path, "every serial is spent", 0);
    Reserve(m_reserved + std::min(m_block, kLimit - m_reserved));
  }
  return m_next++;
}

// A new file beside the old one, durable before it replaces it, and the rename
// durable before any serial of the block is issued.
void SerialCounter::Reserve(std::uint64_t end) {
  const std::string temporary = m_path + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Fail(m_path, "cannot write " + temporary, errno);
  try {
    WriteAll(fd, std::to_string(end) + "\n", temporary);
    if (::fsync(fd) != 0) Fail(m_path, "cannot make " + temporary + " durable", errno);
  } catch (...) {
    ::close(fd);
    ::unlink(temporary.c_str());
    throw;
  }
  if (::close(fd) != 0) Fail(m_path, "cannot write " + temporary, errno);
  if (::rename(temporary.c_str(), m_path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    Fail(m_path, "cannot replace", error);
  }
  const int directory = ::open(DirectoryOf(m_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory < 0) Fail(m_path, "cannot open its directory", errno);
  // Without a durable rename a crash could bring back the old number.
  const int synced = ::fsync(directory);
  const int error = errno;
  ::close(directory);
  if (synced != 0 && error != EINVAL) Fail(m_path, "cannot make the directory durable", error);
  m_reserved = end;
}

}  // namespace tavrpki::servers

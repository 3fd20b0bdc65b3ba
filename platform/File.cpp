#include "platform/File.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace tavrpki::platform {

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.m_fd;
    other.m_fd = -1;
  }
  return *this;
}

bool File::OpenReadWrite(const std::string& path) {
  Close();
  do {
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  } while (m_fd < 0 && errno == EINTR);
  return m_fd >= 0;
}

bool File::OpenRead(const std::string& path) {
  Close();
  do {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (m_fd < 0 && errno == EINTR);
  return m_fd >= 0;
}

void File::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

std::optional<std::uint64_t> File::Size() const {
  struct stat info {};
  if (m_fd < 0 || ::fstat(m_fd, &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

namespace {

FileStamp StampFrom(const struct stat& info) {
  auto nanoseconds = [](const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
  };
  FileStamp stamp;
  stamp.device = static_cast<std::uint64_t>(info.st_dev);
  stamp.inode = static_cast<std::uint64_t>(info.st_ino);
  stamp.size = static_cast<std::uint64_t>(info.st_size);
  stamp.modified = nanoseconds(info.st_mtim);
  stamp.changed = nanoseconds(info.st_ctim);
  return stamp;
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return StampFrom(info);
}

std::optional<FileStamp> File::Stamp() const {
  struct stat info {};
  if (m_fd < 0 || ::fstat(m_fd, &info) != 0) return std::nullopt;
  return StampFrom(info);
}

std::optional<std::size_t> File::Read(std::span<std::uint8_t> buffer) {
  if (m_fd < 0) return std::nullopt;
  for (;;) {
    const ssize_t got = ::read(m_fd, buffer.data(), buffer.size());
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return std::nullopt;
  }
}

bool File::Seek(std::uint64_t offset) {
  return m_fd >= 0 && ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool File::Write(std::span<const std::uint8_t> bytes) {
  if (m_fd < 0) return false;
  while (!bytes.empty()) {
    const ssize_t put = ::write(m_fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(put));
  }
  return true;
}

bool CreateDirectories(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

}  // namespace tavrpki::platform

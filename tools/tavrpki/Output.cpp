#include "Output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavrpki::tool {
namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
  throw FileError{"cannot write " + (path == "-" ? std::string("standard output") : path) + ": " +
                   std::strerror(error)};
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

OutputFile::OutputFile(const std::string& path) : m_path(path) {
  if (path == "-") {
    m_standardOutput = true;
    m_file = stdout;
    return;
  }
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr) Fail(path, errno);
    return;
  }
  m_temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(m_temporary.data());
  if (fd < 0) {
    const int error = errno;
    m_temporary.clear();
    Fail(path, error);
  }
  if (exists) (void)::fchmod(fd, info.st_mode & 07777);  // the file keeps its permissions
  m_file = ::fdopen(fd, "wb");
  if (m_file == nullptr) {
    const int error = errno;
    ::close(fd);
    ::unlink(m_temporary.c_str());
    m_temporary.clear();
    Fail(path, error);
  }
}

OutputFile::~OutputFile() {
  if (m_file != nullptr && !m_standardOutput) std::fclose(m_file);
  if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
}

void OutputFile::Write(const void* data, std::size_t size) {
  if (size != 0 && std::fwrite(data, 1, size, m_file) != size) Fail(m_path, errno);
}

void OutputFile::Commit() {
  if (std::fflush(m_file) != 0) Fail(m_path, errno);
  if (m_standardOutput) return;
  std::FILE* file = m_file;
  m_file = nullptr;
  if (!m_temporary.empty() && ::fsync(fileno(file)) != 0) {
    const int error = errno;
    std::fclose(file);
    Fail(m_path, error);
  }
  if (std::fclose(file) != 0) Fail(m_path, errno);
  if (m_temporary.empty()) return;
  if (::rename(m_temporary.c_str(), m_path.c_str()) != 0) Fail(m_path, errno);
  m_temporary.clear();
}

}  // namespace tavrpki::tool

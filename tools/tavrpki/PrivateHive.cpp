#include "PrivateHive.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "Command.h"

namespace tavrpki::tool {

PrivateHive::PrivateHive(const char* variable) : m_variable(variable) {
  const char* previous = std::getenv(variable);
  m_hadPrevious = previous != nullptr;
  if (m_hadPrevious) m_previous = previous;
}

PrivateHive::~PrivateHive() {
  if (m_hive.empty()) return;
  if (m_hadPrevious)
    ::setenv(m_variable, m_previous.c_str(), 1);
  else
    ::unsetenv(m_variable);
  ::unlink(m_hive.c_str());
}

bool PrivateHive::Write(const std::string& name, const std::string& text, std::string& failure) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/" + name + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    failure = pattern + ": " + SystemReason(errno);
    return false;
  }
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  if (!written) {
    ::unlink(pattern.c_str());
    failure = pattern;
    return false;
  }
  m_hive = pattern;
  ::setenv(m_variable, m_hive.c_str(), 1);
  return true;
}

std::string PrivateHive::Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

}  // namespace tavrpki::tool

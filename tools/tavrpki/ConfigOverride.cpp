#include "ConfigOverride.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "Command.h"
#include "Output.h"

namespace tavrpki::tool {
namespace {

constexpr const char* kVariable = "TAVR_PKI_USER_CONFIG";

// Where the library looks for the user hive (core/RegistryHandler.h).
std::string UserHivePath() {
  if (const char* set = std::getenv(kVariable); set != nullptr && set[0] != '\0') return set;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] != '\0')
    return std::string(config) + "/tavr-pki/config.reg";
  if (const char* home = std::getenv("HOME"); home != nullptr) return std::string(home) + "/.config/tavr-pki/config.reg";
  return {};
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

}  // namespace

ConfigOverride::ConfigOverride(const std::string& name, const std::string& value) {
  const char* previous = std::getenv(kVariable);
  m_hadPrevious = previous != nullptr;
  if (m_hadPrevious) m_previous = previous;
  std::string hive;
  if (const std::string path = UserHivePath(); !path.empty()) {
    std::ifstream in(path, std::ios::binary);
    hive.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::string added = "\r\n[HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI]\r\n\"" + Escaped(name) + "\"=\"" +
                            Escaped(value) + "\"\r\n";
  const bool utf16 = hive.size() >= 2 && static_cast<unsigned char>(hive[0]) == 0xFF &&
                     static_cast<unsigned char>(hive[1]) == 0xFE;
  if (hive.empty()) hive = "Windows Registry Editor Version 5.00\r\n";
  // A hive exported as UTF-16 stays UTF-16: the value is ASCII the command line
  // gave, widened octet by octet.
  for (const char c : added) {
    hive.push_back(c);
    if (utf16) hive.push_back('\0');
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/tavrpki-user-hive.XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw FileError{"cannot write a private configuration in " + pattern + ": " + SystemReason(errno)};
  const bool written = ::write(fd, hive.data(), hive.size()) == static_cast<ssize_t>(hive.size());
  ::close(fd);
  if (!written) {
    ::unlink(pattern.c_str());
    throw FileError{"cannot write a private configuration in " + pattern};
  }
  m_hive = pattern;
  ::setenv(kVariable, m_hive.c_str(), 1);
}

ConfigOverride::~ConfigOverride() {
  if (m_hadPrevious)
    ::setenv(kVariable, m_previous.c_str(), 1);
  else
    ::unsetenv(kVariable);
  ::unlink(m_hive.c_str());
}

}  // namespace tavrpki::tool

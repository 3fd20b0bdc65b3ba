#include "ConfigOverride.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

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

}  // namespace

ConfigOverride::ConfigOverride(const std::string& name, const std::string& value) : m_hive(kVariable) {
  std::string hive;
  if (const std::string path = UserHivePath(); !path.empty()) {
    std::ifstream in(path, std::ios::binary);
    hive.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::string added = "\r\n[HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI]\r\n\"" + PrivateHive::Escaped(name) +
                            "\"=\"" + PrivateHive::Escaped(value) + "\"\r\n";
  const bool utf16 = hive.size() >= 2 && static_cast<unsigned char>(hive[0]) == 0xFF &&
                     static_cast<unsigned char>(hive[1]) == 0xFE;
  if (hive.empty()) hive = "Windows Registry Editor Version 5.00\r\n";
  // A hive exported as UTF-16 stays UTF-16: the value is ASCII the command line
  // gave, widened octet by octet.
  for (const char c : added) {
    hive.push_back(c);
    if (utf16) hive.push_back('\0');
  }
  if (std::string failure; !m_hive.Write("tavrpki-user-hive", hive, failure))
    throw FileError{"cannot write a private configuration in " + failure};
}

}  // namespace tavrpki::tool

#include "KeyStorageDefault.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tavrpki::tool {
namespace {

constexpr const char* kVariable = "TAVR_PKI_SYSTEM_CONFIG";

bool IsFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The machine hive's text without its byte order mark and header line, or
// nothing when it is missing or not UTF-8 (a UTF-16 hive is left alone).
bool MachineHiveBody(const std::string& path, std::string& body) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return true;  // no hive: the default alone
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (text.size() > (1u << 20)) return false;
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE)
    return false;
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  const std::size_t lineEnd = text.find('\n');
  std::string first = text.substr(0, lineEnd);
  if (!first.empty() && first.back() == '\r') first.pop_back();
  if (first == "Windows Registry Editor Version 5.00" || first == "REGEDIT4")
    text.erase(0, lineEnd == std::string::npos ? text.size() : lineEnd + 1);
  body = text;
  return true;
}

}  // namespace

std::string KeyStorageDefault::PluginPath() {
  char self[PATH_MAX + 1];
  const ssize_t n = ::readlink("/proc/self/exe", self, PATH_MAX);
  if (n > 0) {
    std::string dir(self, static_cast<std::size_t>(n));
    dir.erase(dir.rfind('/') == std::string::npos ? 0 : dir.rfind('/'));
    // Installed: <prefix>/bin/tavrpki and <prefix>/<libdir>/tavrpki/libtavrpki-filekeystore.so.
    const std::string installed = dir + "/../" TAVRPKI_INSTALL_LIBDIR "/tavrpki/libtavrpki-filekeystore.so";
    if (IsFile(installed)) return installed;
  }
#ifdef TAVRPKI_BUILD_FILEKEYSTORE
  if (IsFile(TAVRPKI_BUILD_FILEKEYSTORE)) return TAVRPKI_BUILD_FILEKEYSTORE;
#endif
  return {};
}

KeyStorageDefault::KeyStorageDefault() : m_hive(kVariable) {
  const std::string plugin = PluginPath();
  if (plugin.empty()) return;
  const std::string* previous = m_hive.Previous();
  std::string body;
  if (!MachineHiveBody(previous != nullptr && !previous->empty() ? *previous : "/etc/tavr-pki/config.reg", body))
    return;
  const std::string text = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\n"
                           "\"KeyStorageManager\"=\"" + PrivateHive::Escaped(plugin) + "\"\n\n" + body + "\n";
  // When it cannot be written there is no default; the library says what is missing.
  std::string failure;
  m_hive.Write("tavrpki-hive", text, failure);
}

}  // namespace tavrpki::tool

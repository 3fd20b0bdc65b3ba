#include "core/RegistryHandler.h"

#include <cstdlib>
#include <fstream>
#include <optional>

#include "core/Catalogue.h"
#include "core/RegFile.h"

namespace tavrpki {
namespace {

// A hive larger than this is not a configuration file; refusing it bounds the work.
constexpr std::streamoff kMaxHiveSize = 1 << 20;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::optional<RegFile> ReadHive(bool currentUser) {
  const std::string path = RegistryHandler::HivePath(currentUser);
  if (path.empty()) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0 || size > kMaxHiveSize) return std::nullopt;
  file.seekg(0);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (!file.read(text.data(), size)) return std::nullopt;
  return RegFile::Parse(text);
}

std::string KeyPath(bool currentUser, const char* subkey) {
  std::string path = currentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
  path += kConfigKey;
  if (subkey != nullptr) path += subkey;
  return path;
}

enum class Lookup { kFound, kNoKey, kNoValue };

// Finds the value in the hive, reading the hive file afresh.
Lookup Find(bool currentUser, const std::string& keyPath, const char* valueName, RegValue& out) {
  const auto hive = ReadHive(currentUser);
  if (!hive) return Lookup::kNoKey;
  const auto* values = hive->FindKey(keyPath);
  if (values == nullptr) return Lookup::kNoKey;
  std::string name = valueName == nullptr ? std::string() : std::string(valueName);
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const auto it = values->find(name);
  if (it == values->end()) return Lookup::kNoValue;
  out = it->second;
  return Lookup::kFound;
}

}  // namespace

std::string RegistryHandler::HivePath(bool currentUser) {
  if (!currentUser) {
    const std::string configured = Environment("TAVR_PKI_SYSTEM_CONFIG");
    return configured.empty() ? "/etc/tavr-pki/config.reg" : configured;
  }
  const std::string configured = Environment("TAVR_PKI_USER_CONFIG");
  if (!configured.empty()) return configured;
  // The XDG base directory rules ignore relative values.
  const std::string configHome = Environment("XDG_CONFIG_HOME");
  if (!configHome.empty() && configHome.front() == '/') return configHome + "/tavr-pki/config.reg";
  const std::string home = Environment("HOME");
  if (home.empty()) return std::string();
  return home + "/.config/tavr-pki/config.reg";
}

std::uint32_t RegistryHandler::ReadDword(bool currentUser, const char* subkey, const char* valueName,
                                         std::uint32_t defaultValue) {
  RegValue value;
  if (Find(currentUser, KeyPath(currentUser, subkey), valueName, value) != Lookup::kFound ||
      value.type != RegValue::kDword)
    return defaultValue;
  return value.dword;
}

std::string RegistryHandler::ReadString(bool currentUser, const char* valueName) {
  const std::string keyPath = KeyPath(currentUser, "");
  RegValue value;
  switch (Find(currentUser, keyPath, valueName, value)) {
    case Lookup::kNoKey:
      Raise(kMsgRegistryOpenFailed, keyPath.c_str());
    case Lookup::kNoValue:
      Raise(kMsgRegistryReadFailed, keyPath.c_str(), valueName == nullptr ? "" : valueName);
    case Lookup::kFound:
      break;
  }
  if (value.type != RegValue::kString)
    Raise(kMsgRegistryWrongType, keyPath.c_str(), valueName == nullptr ? "" : valueName);
  return value.text;
}

std::string RegistryHandler::ReadString(bool currentUser, const char* valueName,
                                        const std::string& defaultValue) {
  RegValue value;
  if (Find(currentUser, KeyPath(currentUser, ""), valueName, value) != Lookup::kFound ||
      value.type != RegValue::kString)
    return defaultValue;
  return value.text;
}

}  // namespace tavrpki

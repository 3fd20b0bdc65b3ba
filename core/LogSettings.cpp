#include "core/LogSettings.h"

#include <cstdio>
#include <cstdlib>

#include "core/RegistryHandler.h"
#include "platform/Process.h"

namespace tavrpki {
namespace {

constexpr std::uint32_t kUnset = 0xFFFFFFFFu;

}  // namespace

LogSettings ReadLogSettings() {
  LogSettings settings;
  std::uint32_t useLog = RegistryHandler::ReadDword(true, "", "UseLog", kUnset);
  if (useLog == kUnset) useLog = RegistryHandler::ReadDword(false, "", "UseLog", 1);
  settings.useLog = useLog == 1;
  if (!settings.useLog) return settings;
  settings.directory = RegistryHandler::ReadString(true, "APILogFile", std::string());
  if (settings.directory.empty())
    settings.directory = RegistryHandler::ReadString(false, "APILogFile", std::string());
  // An empty text anywhere means "not configured", as the user's hive already does.
  if (settings.directory.empty()) settings.directory = DefaultLogDirectory();
  return settings;
}

std::string DefaultLogDirectory() {
  const char* stateHome = std::getenv("XDG_STATE_HOME");
  if (stateHome != nullptr && stateHome[0] == '/') return std::string(stateHome) + "/tavr-pki";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == 0) return std::string();
  return std::string(home) + "/.local/state/tavr-pki";
}

std::string LogFilePrefix() {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "ukvt_%u_", static_cast<unsigned>(GetCurrentProcessId()));
  return prefix;
}

}  // namespace tavrpki

// The configuration store: typed values under the key "SOFTWARE\TAVR_PKI".
//
// Our stand-in for the Windows registry. Each hive is a text file in the `.reg`
// export syntax (core/RegFile.h):
//   HKEY_CURRENT_USER   $TAVR_PKI_USER_CONFIG, else $XDG_CONFIG_HOME/tavr-pki/config.reg
//                       (~/.config/tavr-pki/config.reg when XDG_CONFIG_HOME is unset)
//   HKEY_LOCAL_MACHINE  $TAVR_PKI_SYSTEM_CONFIG, else /etc/tavr-pki/config.reg
// Values are read on demand from the hive file as it is at the time of the call,
// so edits take effect at once; the parse of each state of a file is kept
// (core/HiveCache.h), so that asking costs one `stat` while the file is unchanged. A missing or unreadable file, or
// one without the key's section, is a key that cannot be opened. A malformed line
// costs only itself (core/RegFile.h): it is skipped with a warning in the audit
// log, and a failure that it may explain names the file and line. Texts are
// returned as the bytes the file holds (paths on this platform are UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrpki {

class RegistryHandler {
 public:
  // The value `valueName` of "SOFTWARE\TAVR_PKI" + `subkey` in the current user's
  // hive (`currentUser`) or the machine's; `defaultValue` when the key or value is
  // missing or the value is not a DWORD. Never throws for configuration reasons.
  static std::uint32_t ReadDword(bool currentUser, const char* subkey, const char* valueName,
                                 std::uint32_t defaultValue);

  // The text value `valueName` of "SOFTWARE\TAVR_PKI". Throws 150000 when the key
  // cannot be opened, 150001 when the value is missing, 150002 when it is not a
  // text (REG_SZ); the key path in the messages names the hive, followed by the
  // file and, when a skipped line may be the cause, "file:line: reason".
  static std::string ReadString(bool currentUser, const char* valueName);
  // As above, but `defaultValue` in place of every failure.
  static std::string ReadString(bool currentUser, const char* valueName,
                                const std::string& defaultValue);

  // The hive's skipped lines as "file:line: reason", or the one reason the file
  // cannot be read; empty when the file reads cleanly (for tools to show).
  static std::vector<std::string> HiveProblems(bool currentUser);

  // The hive file consulted for the hive, from the environment as above.
  static std::string HivePath(bool currentUser);
};

// The configuration key, relative to the hive.
inline constexpr const char* kConfigKey = "SOFTWARE\\TAVR_PKI";

}  // namespace tavrpki

// Whether a kernel logs, and where: "UseLog" and "APILogFile" read the way every
// new kernel reads them.
#pragma once

#include <string>

namespace tavrpki {

struct LogSettings {
  bool useLog = false;
  std::string directory;  // meaningful only when useLog
};

// "UseLog" from HKEY_CURRENT_USER, or from HKEY_LOCAL_MACHINE when the user's hive
// has no DWORD of that name; logging is on when it is 1, or absent everywhere.
// When on, "APILogFile" likewise (an empty text counts as absent), defaulting to
// DefaultLogDirectory(). Never throws for configuration reasons.
LogSettings ReadLogSettings();

// $XDG_STATE_HOME/tavr-pki, or ~/.local/state/tavr-pki when XDG_STATE_HOME is unset or relative.
std::string DefaultLogDirectory();

// "ukvt_<pid>_": each process writes a file of its own per month.
std::string LogFilePrefix();

}  // namespace tavrpki

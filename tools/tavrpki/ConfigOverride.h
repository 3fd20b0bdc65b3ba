// Configuration values a command line decides for this run only (`ts request`
// posts to --url as given unless --append-path). The library reads its
// configuration from the hive files; the tool writes a private copy of the user
// hive with the values appended (a later line replaces an earlier one, so they
// win over the user's and the machine's) and points $TAVR_PKI_USER_CONFIG at it
// for this process. The copy goes, and the variable is restored, with the object.
#pragma once

#include <string>

#include "PrivateHive.h"

namespace tavrpki::tool {

class ConfigOverride {
 public:
  // The text value (REG_SZ) `name`. Throws FileError when the copy cannot be written.
  ConfigOverride(const std::string& name, const std::string& value);

 private:
  PrivateHive m_hive;
};

}  // namespace tavrpki::tool

// The tool's default key storage: when the configuration does not name a key
// storage manager ("KeyStorageManager" in the machine hive), the tool uses the file
// key storage plugin it was built or installed with.
//
// The library keeps its own empty default; the tool supplies the value through the
// configuration's environment mechanism: it writes a private hive that names the
// plugin and then carries the whole machine hive (so a value the operator set wins,
// sections of the same key merging and later lines replacing earlier ones), and
// points $TAVR_PKI_SYSTEM_CONFIG at it for this process. The file is removed when
// the object goes.
#pragma once

#include <string>

#include "PrivateHive.h"

namespace tavrpki::tool {

class KeyStorageDefault {
 public:
  KeyStorageDefault();

  // The plugin found next to the executable or in the build tree; empty when none.
  static std::string PluginPath();

 private:
  PrivateHive m_hive;
};

}  // namespace tavrpki::tool

// The certificate store the tool's commands work on: --store FILE, else the
// default store of the user ($XDG_DATA_HOME/tavr-pki/store.db).
#pragma once

#include <memory>

#include <tavrpki/SqliteCertStore.h>

#include "Command.h"

namespace tavrpki::tool {

inline std::unique_ptr<SqliteCertStore> OpenStore(const Options& options) {
  const auto path = options.Value("store");
  return std::make_unique<SqliteCertStore>(path ? *path : SqliteCertStore::DefaultPath());
}

}  // namespace tavrpki::tool

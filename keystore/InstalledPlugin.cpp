#include "keystore/InstalledPlugin.h"

#include <dlfcn.h>
#include <unistd.h>

namespace tavrpki {
namespace {

constexpr const char* kPluginFile = "tavrpki/libtavrpki-filekeystore.so";

// The directory of the shared library (or program, when linked statically) that
// holds this function, with a trailing '/'; empty when the loader cannot say.
std::string OwnDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnDirectory), &info) == 0 || info.dli_fname == nullptr) return {};
  const std::string module = info.dli_fname;
  const auto slash = module.rfind('/');
  return slash == std::string::npos ? std::string() : module.substr(0, slash + 1);
}

bool Readable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

}  // namespace

std::string InstalledPluginPath() {
  try {
    const std::string beside = OwnDirectory();
    if (!beside.empty() && Readable(beside + kPluginFile)) return beside + kPluginFile;
#ifdef TAVRPKI_INSTALL_LIBDIR
    const std::string configured = std::string(TAVRPKI_INSTALL_LIBDIR) + "/" + kPluginFile;
    if (Readable(configured)) return configured;
#endif
  } catch (...) {
    // Out of memory while building a path: no plugin found.
  }
  return {};
}

}  // namespace tavrpki

// Where an installation keeps the library's own key storage manager, the file key
// storage plugin: `<libdir>/tavrpki/libtavrpki-filekeystore.so` (cmake/Install.cmake).
#pragma once

#include <string>

namespace tavrpki {

// The installed plugin's path when the file is there, else empty. Looked for
// first beside the module that holds this code (so a moved installation still
// finds its own plugin), then under the library directory the build was
// configured to install into. Never throws.
std::string InstalledPluginPath();

}  // namespace tavrpki

// A private configuration that loads the file key storage plugin (the test
// folder defines TAVRPKI_FILEKEYSTORE_PATH) over a fresh key directory, with
// logging off and few key-derivation iterations, the same sealing made fast.
#pragma once

#include <filesystem>
#include <string>

#include "support/ConfigSandbox.h"

namespace tavrpki::test {

class KeyStorageSandbox : public ConfigSandbox {
 public:
  // `moreValues`: further .reg lines of the system hive ("\"RootOID\"=\"...\"").
  explicit KeyStorageSandbox(const std::string& moreValues = "") {
    WriteSystem(std::string("\"KeyStorageManager\"=\"") + TAVRPKI_FILEKEYSTORE_PATH +
                "\"\n\"UseLog\"=dword:00000000" + (moreValues.empty() ? "" : "\n" + moreValues));
    m_storage = (Root() / "keys").string();
    std::filesystem::create_directories(m_storage);
    Set("TAVRPKI_KEYSTORE_ITERATIONS", "2");
  }
  const std::string& Storage() const { return m_storage; }

 private:
  std::string m_storage;
};

}  // namespace tavrpki::test

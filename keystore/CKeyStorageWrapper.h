// The link to the key storage manager plugin.
//
// Loading reads the library path from the configuration value "KeyStorageManager"
// (HKEY_LOCAL_MACHINE hive, no default), loads the library, checks that it has both
// C exports "CreateKeyStorageManager" and "DestroyKeyStorageManager" and creates the
// manager. Construction swallows a failure and keeps its reason (every kernel and
// every copy loads, so a missing plugin is not worth a line each time); an
// operation asked of an unloaded wrapper throws 30002 and a failed `Reload` its
// own code, each writing the reason into the audit log as an error line, since
// the catalogue message has room only for a number.
#pragma once

#include <string>

#include "platform/SharedLibrary.h"
#include "tavrpki/KeyStorageManager.h"

namespace tavrpki {

class CKeyStorageWrapper {
 public:
  // Tries to load the manager library; never throws.
  CKeyStorageWrapper();
  // Hands the manager back to its library and unloads the library.
  virtual ~CKeyStorageWrapper();
  CKeyStorageWrapper(const CKeyStorageWrapper&) = delete;
  CKeyStorageWrapper& operator=(const CKeyStorageWrapper&) = delete;

  // Unloads, then loads again from the current configuration. Throws the reason
  // of a failure: 150000-150002 (no usable "KeyStorageManager" value), 30003 (the
  // library does not load), 30001 (an export is missing or no manager is made);
  // the wrapper is then unloaded.
  virtual void Reload();

  bool IsLoaded() const { return m_manager != nullptr; }
  // The manager, for the key storage operations; throws 30002 when no library is
  // loaded. Its failures pass to the caller unchanged.
  KeyStorageManager& Manager();

 private:
  void Load();
  // The address of the export `name` of the loaded library; 30001 when missing.
  void* RequireExport(const std::string& path, const char* name);
  void Unload() noexcept;

  platform::SharedLibrary m_library;
  KeyStorageManager* m_manager = nullptr;
  DestroyKeyStorageManagerFunction m_destroy = nullptr;
  std::string m_failure;  // why the last load failed, for the audit log
};

}  // namespace tavrpki

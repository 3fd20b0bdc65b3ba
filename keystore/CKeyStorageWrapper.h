// The link to the key storage manager plugin.
//
// Loading reads the library path from the configuration value "KeyStorageManager"
// (HKEY_LOCAL_MACHINE hive, no default), loads the library, checks that it has both
// C exports "CreateKeyStorageManager" and "DestroyKeyStorageManager" and creates the
// manager. The load happens at the first operation that asks for the manager, not
// at construction: every kernel and every copy (each handle object keeps one)
// owns a wrapper, and most never touch key storage, so loading eagerly made each
// copy pay a configuration read and, without a plugin, two exceptions. What a
// caller sees is as if construction had loaded: a failure is kept with its
// reason and not retried, and every operation asked of an unloaded wrapper
// throws 30002; a failed `Reload` throws its own code. Each writes the reason
// into the audit log as an error line, since the catalogue message has room
// only for a number.
//
// The first load is serialised, so two threads that ask at once load the
// library once. `Reload` must not run while another thread uses the wrapper.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/SharedLibrary.h"
#include "tavrpki/KeyStorageManager.h"

namespace tavrpki {

class CKeyStorageWrapper {
 public:
  // Loads nothing yet (see above); never throws.
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

  // Whether a manager is there, loading it first if no load was tried yet; never throws.
  bool IsLoaded();
  // The manager, for the key storage operations, loading it first if no load was
  // tried yet; throws 30002 when no library is loaded. Its failures pass to the
  // caller unchanged.
  KeyStorageManager& Manager();

 private:
  // Makes the first load attempt unless one was made (by it or by `Reload`).
  void LoadOnce();
  void Load();
  // The address of the export `name` of the loaded library; 30001 when missing.
  void* RequireExport(const std::string& path, const char* name);
  void Unload() noexcept;

  platform::SharedLibrary m_library;
  KeyStorageManager* m_manager = nullptr;
  DestroyKeyStorageManagerFunction m_destroy = nullptr;
  std::string m_failure;  // why the last load failed, for the audit log
  // Set, with release order, once a load was tried: the fields above are then
  // final until `Reload` and may be read without m_loading.
  std::atomic<bool> m_tried{false};
  std::mutex m_loading;  // serialises the first load
};

}  // namespace tavrpki

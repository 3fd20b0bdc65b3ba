// The two C exports through which the library finds this key storage manager.
#include <new>

#include "FileKeyStorageManager.h"

extern "C" TAVRPKI_PLUGIN_EXPORT tavrpki::KeyStorageManager* CreateKeyStorageManager() {
  return new (std::nothrow) tavrpki::filekeystore::FileKeyStorageManager;
}

extern "C" TAVRPKI_PLUGIN_EXPORT void DestroyKeyStorageManager(tavrpki::KeyStorageManager* manager) {
  delete static_cast<tavrpki::filekeystore::FileKeyStorageManager*>(manager);
}

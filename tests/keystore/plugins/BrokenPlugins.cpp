// Libraries that are loadable but not key storage managers. One source, built
// several times with a different BROKEN_KIND each (tests/keystore/CMakeLists.txt).
#include <tavrpki/KeyStorageManager.h>

#if BROKEN_KIND == 1
// No exports of a manager at all.
extern "C" TAVRPKI_PLUGIN_EXPORT int SomethingElse() { return 1; }
#elif BROKEN_KIND == 2
// Creates, but cannot take its managers back.
extern "C" TAVRPKI_PLUGIN_EXPORT tavrpki::KeyStorageManager* CreateKeyStorageManager() {
  return nullptr;
}
#elif BROKEN_KIND == 3
// Both exports, but no manager is made.
extern "C" TAVRPKI_PLUGIN_EXPORT tavrpki::KeyStorageManager* CreateKeyStorageManager() {
  return nullptr;
}
extern "C" TAVRPKI_PLUGIN_EXPORT void DestroyKeyStorageManager(tavrpki::KeyStorageManager*) {}
#endif

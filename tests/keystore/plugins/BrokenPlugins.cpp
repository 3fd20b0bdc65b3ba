// Libraries that are loadable but not key storage managers. One source, built
// several times with a different BROKEN_KIND each (tests/keystore/CMakeLists.txt):
// 1 exports nothing of a manager, 2 creates but cannot take its managers back,
// 3 has both exports but makes no manager.
#include <tavrpki/KeyStorageManager.h>

#if BROKEN_KIND == 1
extern "C" TAVRPKI_PLUGIN_EXPORT int SomethingElse() { return 1; }
#else
extern "C" TAVRPKI_PLUGIN_EXPORT tavrpki::KeyStorageManager* CreateKeyStorageManager() { return nullptr; }
#endif
#if BROKEN_KIND == 3
extern "C" TAVRPKI_PLUGIN_EXPORT void DestroyKeyStorageManager(tavrpki::KeyStorageManager*) {}
#endif

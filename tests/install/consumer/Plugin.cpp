// The smallest key storage manager: it proves the installed headers build a
// plugin on their own, one that reports coded failures with the library's
// exported exception type and links nothing of the library.
#include <tavrpki/KeyStorageManager.h>

#include "kernel/CKernelException.h"

#include <new>

namespace {

class EmptyStorage final : public tavrpki::KeyStorageManager {
 public:
  void SetParentWindow(HWND__*) override {}
  void GetDefaultStorage(char*, unsigned long* length) override { *length = 0; }
  void LoadStorage(const char* storage) override {
    if (storage == nullptr) throw Kernel::CKernelException(30010, "no storage named");
  }
  void Configure(unsigned long) override {}
  void SaveKeyWithText(const char*, const char*, const char*, const unsigned char*, unsigned long,
                       unsigned long) override {}
  void SaveKey(const char*, const char*, const unsigned char*, unsigned long, unsigned long) override {}
  void LoadKey(const char*, const char*, unsigned char*, unsigned long* length, unsigned long) override {
    *length = 0;
  }
  void LoadKeyInteractive(const char*, unsigned char*, unsigned long* length, unsigned long) override {
    *length = 0;
  }
  int KeyExists(const char*, unsigned long) override { return 0; }
  void DeleteKey(const char*, unsigned long) override {}
  void EnumerateKeys(void*, EnumerateCallback, unsigned long) override {}
  void ChangePassword(const char*, const char*, const char*, unsigned long) override {}
  void ChangePasswordInteractive(const char*, unsigned long) override {}
  void GetKeyDescription(const char*, char*, unsigned long* length, unsigned long) override { *length = 0; }
};

}  // namespace

extern "C" TAVRPKI_PLUGIN_EXPORT tavrpki::KeyStorageManager* CreateKeyStorageManager() {
  return new (std::nothrow) EmptyStorage;
}

extern "C" TAVRPKI_PLUGIN_EXPORT void DestroyKeyStorageManager(tavrpki::KeyStorageManager* manager) {
  delete static_cast<EmptyStorage*>(manager);
}

// The interface a key storage manager plugin implements.
//
// Private keys live in a key storage that the library reaches through a manager
// object living in a shared library of its own. The library loads that shared
// library from the path in the configuration value "KeyStorageManager" (the
// HKEY_LOCAL_MACHINE hive), looks up the two C exports declared at the end of
// this header, calls `CreateKeyStorageManager()` once per kernel context and hands
// the object back to `DestroyKeyStorageManager()` before unloading the library.
//
// Writing a plugin:
//   #include <tavrpki/KeyStorageManager.h>
//   class MyStorage final : public tavrpki::KeyStorageManager { ... };
//   extern "C" TAVRPKI_PLUGIN_EXPORT tavrpki::KeyStorageManager* CreateKeyStorageManager() {
//     return new (std::nothrow) MyStorage;
//   }
//   extern "C" TAVRPKI_PLUGIN_EXPORT void DestroyKeyStorageManager(tavrpki::KeyStorageManager* m) {
//     delete static_cast<MyStorage*>(m);
//   }
// This header includes nothing of the library.
//
// Conventions for every method:
// - Texts are NUL-terminated Windows-1251.
// - "Length in/out" arguments hold the capacity of the buffer on entry and the
//   length of the answer on return; a null buffer asks for the length only. The
//   library always asks for the length first, then for the data.
// - The last argument of most methods is reserved; the library passes 0.
// - Failures are thrown and reach the library's caller unchanged. A manager that
//   reports coded failures as the library does throws `Kernel::CKernelException`
//   ("kernel/CKernelException.h" among the library's installed headers). That
//   class is complete in its header, so the plugin links nothing of the library
//   for it; the library catches it by type and passes code and message on as they
//   were thrown. Anything else reaches the caller as what it is.
// - A manager object is used by one thread at a time; every kernel context (and
//   every copy of one) has a manager object of its own.
//
// The methods are declared in the order of the manager's table of virtual
// operations, which is part of the plugin interface: the reserved entries keep
// the places of operations this library never calls.
#pragma once

struct HWND__;  // a window handle; the library has no window of its own

#if defined(_WIN32)
#define TAVRPKI_PLUGIN_EXPORT __declspec(dllexport)
#define TAVRPKI_PLUGIN_CALLBACK __stdcall
#else
#define TAVRPKI_PLUGIN_EXPORT __attribute__((visibility("default")))
#if defined(__i386__)
#define TAVRPKI_PLUGIN_CALLBACK __attribute__((stdcall))
#else
#define TAVRPKI_PLUGIN_CALLBACK  // x86-64 and others have one calling convention
#endif
#endif

namespace tavrpki {

class KeyStorageManager {
 public:
  // Called once per key name by `EnumerateKeys`, with the caller's context.
  using EnumerateCallback = int(TAVRPKI_PLUGIN_CALLBACK*)(void* context, const char* keyName);

  // 0: reserved.
  virtual void Reserved0() {}
  // 1: the window that dialogs of the next calls belong to; may be null. The
  // library calls it before every operation that takes a window.
  virtual void SetParentWindow(HWND__* window) = 0;
  // 2: lets the user choose the default storage and answers its name. `name`
  // holds 4096 bytes; the library passes 4095 as the capacity.
  virtual void GetDefaultStorage(char* name, unsigned long* length) = 0;
  // 3: reserved.
  virtual void Reserved3() {}
  // 4: opens the named storage for the following calls.
  virtual void LoadStorage(const char* storage) = 0;
  // 5: lets the user configure the storage.
  virtual void Configure(unsigned long reserved) = 0;
  // 6: stores `keys` (the encoded double key pair, `length` bytes) under `keyName`.
  // The library passes the strings of its three-string save in the order
  // (first, third, second); the meaning of the other two strings is the manager's
  // (the library's own file storage: description, then password).
  virtual void SaveKeyWithText(const char* keyName, const char* third, const char* second,
                               const unsigned char* keys, unsigned long length,
                               unsigned long reserved) = 0;
  // 7: stores `keys` under `keyName`, with one more string (the library's own
  // file storage: the password).
  virtual void SaveKey(const char* keyName, const char* second, const unsigned char* keys,
                       unsigned long length, unsigned long reserved) = 0;
  // 8: answers the stored keys of `keyName`, with one more string (the library's
  // own file storage: the password). Length in/out.
  virtual void LoadKey(const char* keyName, const char* second, unsigned char* keys,
                       unsigned long* length, unsigned long reserved) = 0;
  // 9: answers the stored keys of `keyName`, asking the user for whatever else
  // the storage needs. Length in/out.
  virtual void LoadKeyInteractive(const char* keyName, unsigned char* keys,
                                  unsigned long* length, unsigned long reserved) = 0;
  // 10: nonzero when a key of that name exists.
  virtual int KeyExists(const char* keyName, unsigned long reserved) = 0;
  // 11: removes the key.
  virtual void DeleteKey(const char* keyName, unsigned long reserved) = 0;
  // 12: calls `callback(context, name)` once per key of the storage.
  virtual void EnumerateKeys(void* context, EnumerateCallback callback,
                             unsigned long reserved) = 0;
  // 13: changes the password protecting the key.
  virtual void ChangePassword(const char* keyName, const char* oldPassword,
                              const char* newPassword, unsigned long reserved) = 0;
  // 14: changes the password, asking the user for both.
  virtual void ChangePasswordInteractive(const char* keyName, unsigned long reserved) = 0;
  // 15: answers the key's description text. Length in/out.
  virtual void GetKeyDescription(const char* keyName, char* text, unsigned long* length,
                                 unsigned long reserved) = 0;

 protected:
  // The plugin destroys its own objects in `DestroyKeyStorageManager`.
  ~KeyStorageManager() = default;
};

}  // namespace tavrpki

// The two exports of a key storage manager library, with C linkage.
// `CreateKeyStorageManager` returns a new manager, or null when it cannot make one.
extern "C" {
using CreateKeyStorageManagerFunction = tavrpki::KeyStorageManager* (*)();
using DestroyKeyStorageManagerFunction = void (*)(tavrpki::KeyStorageManager* manager);
}

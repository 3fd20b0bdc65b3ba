// The key storage manager of this library: key containers in a directory.
//
// Strings of the interface map as follows: the second string of a save or load
// is the password, the third string of a save is the key's description. The
// storage name of `LoadStorage` is a directory; until one is loaded the default
// storage (FileStorage.h) is used and created on the first save.
//
// The chosen storage belongs to the process, not to one manager object: the
// library makes a manager per kernel context and per copy (every key pair object
// holds a copy), and a storage chosen through one kernel must be the one the key
// pairs made from it save to and load from.
//
// Calls that would show a dialog on a desktop (load without a password, the
// interactive password change) ask on the terminal; with no terminal they fail
// with 30020. Choosing a default storage answers the default directory and makes
// it current; there is nothing to configure.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FileStorage.h"
#include "tavrpki/KeyStorageManager.h"

namespace tavrpki::filekeystore {

class FileKeyStorageManager final : public KeyStorageManager {
 public:
  FileKeyStorageManager();

  void SetParentWindow(HWND__* window) override;
  void GetDefaultStorage(char* name, unsigned long* length) override;
  void LoadStorage(const char* storage) override;
  void Configure(unsigned long reserved) override;
  void SaveKeyWithText(const char* keyName, const char* description, const char* password,
                       const unsigned char* keys, unsigned long length,
                       unsigned long reserved) override;
  void SaveKey(const char* keyName, const char* password, const unsigned char* keys,
               unsigned long length, unsigned long reserved) override;
  void LoadKey(const char* keyName, const char* password, unsigned char* keys,
               unsigned long* length, unsigned long reserved) override;
  void LoadKeyInteractive(const char* keyName, unsigned char* keys, unsigned long* length,
                          unsigned long reserved) override;
  int KeyExists(const char* keyName, unsigned long reserved) override;
  void DeleteKey(const char* keyName, unsigned long reserved) override;
  void EnumerateKeys(void* context, EnumerateCallback callback, unsigned long reserved) override;
  void ChangePassword(const char* keyName, const char* oldPassword, const char* newPassword,
                      unsigned long reserved) override;
  void ChangePasswordInteractive(const char* keyName, unsigned long reserved) override;
  void GetKeyDescription(const char* keyName, char* text, unsigned long* length,
                         unsigned long reserved) override;

 private:
  static std::shared_ptr<const FileStorage> Storage();
  void Save(const char* keyName, const char* description, const char* password,
            const unsigned char* keys, unsigned long length);
  void Load(const char* keyName, const std::string_view* password, unsigned char* keys,
            unsigned long* length);
  void Reseal(const char* keyName, std::string_view oldPassword, std::string_view newPassword);
};

// Iterations for new containers: TAVRPKI_KEYSTORE_ITERATIONS when it holds a
// number from 1 to 10 000 000, else the built-in default.
std::uint32_t IterationsForNewContainers();

}  // namespace tavrpki::filekeystore

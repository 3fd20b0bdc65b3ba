// A key storage manager plugin for the tests: it keeps key names in memory and
// counts its live managers, so a test can see that every created manager is
// handed back. It links nothing of the library, as a third-party plugin would.
#include <tavrpki/KeyStorageManager.h>

#include <atomic>
#include <cstring>
#include <new>
#include <set>
#include <stdexcept>
#include <string>

namespace {

std::atomic<int> g_liveManagers{0};

class RecordingManager final : public tavrpki::KeyStorageManager {
 public:
  RecordingManager() { ++g_liveManagers; }
  ~RecordingManager() { --g_liveManagers; }

  void SetParentWindow(HWND__*) override {}
  void GetDefaultStorage(char* name, unsigned long* length) override { Answer("memory", name, length); }
  void LoadStorage(const char* storage) override {
    // A manager's own failure must reach the library's caller as it was thrown.
    if (std::strcmp(storage, "missing") == 0) throw std::runtime_error("no storage 'missing'");
    m_storage = storage;
  }
  void Configure(unsigned long) override {}
  void SaveKeyWithText(const char* keyName, const char*, const char*, const unsigned char*,
                       unsigned long, unsigned long) override {
    m_keys.insert(keyName);
  }
  void SaveKey(const char* keyName, const char*, const unsigned char*, unsigned long,
               unsigned long) override {
    m_keys.insert(keyName);
  }
  void LoadKey(const char*, const char*, unsigned char*, unsigned long* length, unsigned long) override {
    *length = 0;
  }
  void LoadKeyInteractive(const char*, unsigned char*, unsigned long* length, unsigned long) override {
    *length = 0;
  }
  int KeyExists(const char* keyName, unsigned long) override { return m_keys.count(keyName) ? 1 : 0; }
  void DeleteKey(const char* keyName, unsigned long) override { m_keys.erase(keyName); }
  void EnumerateKeys(void* context, EnumerateCallback callback, unsigned long) override {
    for (const std::string& name : m_keys) callback(context, name.c_str());
  }
  void ChangePassword(const char*, const char*, const char*, unsigned long) override {}
  void ChangePasswordInteractive(const char*, unsigned long) override {}
  void GetKeyDescription(const char*, char* text, unsigned long* length, unsigned long) override {
    Answer(m_storage.c_str(), text, length);
  }

 private:
  static void Answer(const char* value, char* out, unsigned long* length) {
    const unsigned long size = static_cast<unsigned long>(std::strlen(value) + 1);
    if (out != nullptr && *length >= size) std::memcpy(out, value, size);
    *length = size;
  }

  std::string m_storage;
  std::set<std::string> m_keys;
};

}  // namespace

extern "C" TAVRPKI_PLUGIN_EXPORT tavrpki::KeyStorageManager* CreateKeyStorageManager() {
  return new (std::nothrow) RecordingManager;
}

extern "C" TAVRPKI_PLUGIN_EXPORT void DestroyKeyStorageManager(tavrpki::KeyStorageManager* manager) {
  delete static_cast<RecordingManager*>(manager);
}

// For the tests only: how many managers of this library are alive.
extern "C" TAVRPKI_PLUGIN_EXPORT int TestLiveManagers() { return g_liveManagers.load(); }

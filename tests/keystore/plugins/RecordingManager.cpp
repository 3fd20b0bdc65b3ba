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

  // What no test calls answers with nothing.
  void SetParentWindow(HWND__*) override {}
  void GetDefaultStorage(char*, unsigned long* length) override { *length = 0; }
  void LoadStorage(const char* storage) override {
    // A manager's own failure must reach the library's caller as it was thrown.
    if (std::strcmp(storage, "missing") == 0) throw std::runtime_error("no storage 'missing'");
  }
  void Configure(unsigned long) override {}
  void SaveKeyWithText(const char*, const char*, const char*, const unsigned char*, unsigned long,
                       unsigned long) override {}
  void SaveKey(const char* name, const char*, const unsigned char*, unsigned long, unsigned long) override {
    m_keys.insert(name);
  }
  void LoadKey(const char*, const char*, unsigned char*, unsigned long*, unsigned long) override {}
  void LoadKeyInteractive(const char*, unsigned char*, unsigned long*, unsigned long) override {}
  int KeyExists(const char* name, unsigned long) override { return m_keys.count(name) ? 1 : 0; }
  void DeleteKey(const char* name, unsigned long) override { m_keys.erase(name); }
  void EnumerateKeys(void*, EnumerateCallback, unsigned long) override {}
  void ChangePassword(const char*, const char*, const char*, unsigned long) override {}
  void ChangePasswordInteractive(const char*, unsigned long) override {}
  void GetKeyDescription(const char*, char*, unsigned long* length, unsigned long) override { *length = 0; }

 private:
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

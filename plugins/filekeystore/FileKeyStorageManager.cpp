#include "FileKeyStorageManager.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "gostcrypto/Wipe.h"
#include "Container.h"
#include "Messages.h"
#include "Terminal.h"

namespace tavrpki::filekeystore {
namespace {

void Require(const void* argument, const char* what) {
  if (argument == nullptr) Raise(kMsgBadArgument, what);
}

void RequireText(const char* text, const char* what) {
  if (text == nullptr || text[0] == 0) Raise(kMsgBadArgument, what);
}

// Salt and vector need to be unpredictable and never repeat; the system's
// generator gives both without touching any caller's generator state.
template <std::size_t N>
std::array<std::uint8_t, N> FreshRandom() {
  std::array<std::uint8_t, N> out{};
  FillFromSystemRandom(out);
  return out;
}

// The length in/out rule of the manager interface: a null buffer asks for the
// length; a buffer that is too small gets the length and an error.
void Answer(const void* data, std::size_t size, void* out, unsigned long* length,
            const char* what) {
  Require(length, Cp1251<"довжина буфера">);
  if (out == nullptr) {
    *length = static_cast<unsigned long>(size);
    return;
  }
  if (*length < size) {
    *length = static_cast<unsigned long>(size);
    Raise(kMsgBufferTooSmall, what);
  }
  std::memcpy(out, data, size);
  *length = static_cast<unsigned long>(size);
}

// Texts are answered with their terminating NUL, and the length counts it.
void AnswerText(const std::string& text, char* out, unsigned long* length, const char* what) {
  Answer(text.c_str(), text.size() + 1, out, length, what);
}

std::vector<std::uint8_t> SealNew(std::span<const std::uint8_t> keys, std::string_view description,
                                  std::string_view password, const char* keyName) {
  const auto salt = FreshRandom<kSaltSize>();
  const auto iv = FreshRandom<kIvSize>();
  return SealContainer(keys, description, password,
                       SealSettings{IterationsForNewContainers(), salt, iv}, keyName);
}

// A password typed on the terminal, held for one call and wiped afterwards.
class TypedPassword {
 public:
  explicit TypedPassword(const std::string& prompt) {
    std::string typed = ReadPasswordFromTerminal(prompt);
    WipeOnExit guard(typed.data(), typed.size());
    m_text.assign(typed.begin(), typed.end());
  }
  std::string_view Text() const { return {reinterpret_cast<const char*>(m_text.data()), m_text.size()}; }

 private:
  SecretVector m_text;
};

std::mutex g_storageLock;
std::shared_ptr<const FileStorage> g_storage;  // null until chosen or first used

void Choose(std::shared_ptr<const FileStorage> storage) {
  const std::lock_guard<std::mutex> hold(g_storageLock);
  g_storage = std::move(storage);
}

}  // namespace

std::uint32_t IterationsForNewContainers() {
  if (const char* text = std::getenv("TAVRPKI_KEYSTORE_ITERATIONS")) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end != text && *end == 0 && value >= 1 && value <= kMaxIterations)
      return static_cast<std::uint32_t>(value);
  }
  return kDefaultIterations;
}

FileKeyStorageManager::FileKeyStorageManager() = default;

std::shared_ptr<const FileStorage> FileKeyStorageManager::Storage() {
  const std::lock_guard<std::mutex> hold(g_storageLock);
  // The default is resolved on first use, so a process without HOME fails only
  // when it touches keys.
  if (!g_storage) g_storage = std::make_shared<const FileStorage>(DefaultStorageDirectory(), true);
  return g_storage;
}

void FileKeyStorageManager::SetParentWindow(HWND__*) {
  // No window system: dialogs become terminal prompts, which need no parent.
}

void FileKeyStorageManager::GetDefaultStorage(char* name, unsigned long* length) {
  auto storage = std::make_shared<const FileStorage>(DefaultStorageDirectory(), true);
  AnswerText(storage->Directory(), name, length, Cp1251<"імені сховища">);
  Choose(std::move(storage));
}

void FileKeyStorageManager::LoadStorage(const char* storage) {
  RequireText(storage, Cp1251<"сховище ключів">);
  auto chosen = std::make_shared<const FileStorage>(storage, false);
  chosen->CheckUsable();
  Choose(std::move(chosen));
}

void FileKeyStorageManager::Configure(unsigned long) {
  // A directory of containers has no settings beyond its path (LoadStorage).
}

void FileKeyStorageManager::Save(const char* keyName, const char* description,
                                 const char* password, const unsigned char* keys,
                                 unsigned long length) {
  RequireText(keyName, Cp1251<"ім'я ключа">);
  RequireText(password, Cp1251<"пароль">);
  Require(keys, Cp1251<"ключові дані">);
  const auto storage = Storage();
  const auto container = SealNew({keys, length}, description ? description : "", password, keyName);
  storage->Write(keyName, container);
}

void FileKeyStorageManager::SaveKeyWithText(const char* keyName, const char* description,
                                            const char* password, const unsigned char* keys,
                                            unsigned long length, unsigned long) {
  Save(keyName, description, password, keys, length);
}

void FileKeyStorageManager::SaveKey(const char* keyName, const char* password,
                                    const unsigned char* keys, unsigned long length,
                                    unsigned long) {
  Save(keyName, nullptr, password, keys, length);
}

void FileKeyStorageManager::Load(const char* keyName, const std::string_view* password,
                                 unsigned char* keys, unsigned long* length) {
  RequireText(keyName, Cp1251<"ім'я ключа">);
  Require(length, Cp1251<"довжина буфера">);
  const auto container = Storage()->Read(keyName);
  if (keys == nullptr) {
    // The size is in the clear header: a size query needs no password and costs
    // no key derivation; a damaged file still fails here.
    *length = static_cast<unsigned long>(KeysSize(container, keyName));
    return;
  }
  if (password != nullptr) {
    const SecretVector opened = OpenContainer(container, *password, keyName);
    Answer(opened.data(), opened.size(), keys, length, Cp1251<"ключових даних">);
    return;
  }
  const TypedPassword typed(std::string("Password for key '") + keyName + "': ");
  const SecretVector opened = OpenContainer(container, typed.Text(), keyName);
  Answer(opened.data(), opened.size(), keys, length, Cp1251<"ключових даних">);
}

void FileKeyStorageManager::LoadKey(const char* keyName, const char* password, unsigned char* keys,
                                    unsigned long* length, unsigned long) {
  RequireText(password, Cp1251<"пароль">);
  const std::string_view text(password);
  Load(keyName, &text, keys, length);
}

void FileKeyStorageManager::LoadKeyInteractive(const char* keyName, unsigned char* keys,
                                               unsigned long* length, unsigned long) {
  Load(keyName, nullptr, keys, length);
}

int FileKeyStorageManager::KeyExists(const char* keyName, unsigned long) {
  RequireText(keyName, Cp1251<"ім'я ключа">);
  return Storage()->Exists(keyName) ? 1 : 0;
}

void FileKeyStorageManager::DeleteKey(const char* keyName, unsigned long) {
  RequireText(keyName, Cp1251<"ім'я ключа">);
  Storage()->Remove(keyName);
}

void FileKeyStorageManager::EnumerateKeys(void* context, EnumerateCallback callback,
                                          unsigned long) {
  Require(reinterpret_cast<const void*>(callback), Cp1251<"функція зворотного виклику">);
  for (const std::string& name : Storage()->List()) callback(context, name.c_str());
}

void FileKeyStorageManager::Reseal(const char* keyName, std::string_view oldPassword,
                                   std::string_view newPassword) {
  const auto storage = Storage();
  const auto container = storage->Read(keyName);
  const SecretVector keys = OpenContainer(container, oldPassword, keyName);
  const std::string description = ReadDescription(container, keyName);
  storage->Write(keyName, SealNew(keys, description, newPassword, keyName));
}

void FileKeyStorageManager::ChangePassword(const char* keyName, const char* oldPassword,
                                           const char* newPassword, unsigned long) {
  RequireText(keyName, Cp1251<"ім'я ключа">);
  Require(oldPassword, Cp1251<"старий пароль">);
  RequireText(newPassword, Cp1251<"новий пароль">);
  Reseal(keyName, oldPassword, newPassword);
}

void FileKeyStorageManager::ChangePasswordInteractive(const char* keyName, unsigned long) {
  RequireText(keyName, Cp1251<"ім'я ключа">);
  // Fail on a missing key before asking anything.
  if (!Storage()->Exists(keyName)) Raise(kMsgKeyNotFound, keyName);
  const std::string name(keyName);
  const TypedPassword oldPassword("Current password for key '" + name + "': ");
  const TypedPassword newPassword("New password for key '" + name + "': ");
  const TypedPassword repeated("Repeat the new password: ");
  if (newPassword.Text() != repeated.Text()) Raise(kMsgPasswordsDiffer);
  if (newPassword.Text().empty()) Raise(kMsgBadArgument, Cp1251<"новий пароль">);
  Reseal(keyName, oldPassword.Text(), newPassword.Text());
}

void FileKeyStorageManager::GetKeyDescription(const char* keyName, char* text,
                                              unsigned long* length, unsigned long) {
  RequireText(keyName, Cp1251<"ім'я ключа">);
  const std::string description = ReadDescription(Storage()->Read(keyName), keyName);
  AnswerText(description, text, length, Cp1251<"опису ключа">);
}

}  // namespace tavrpki::filekeystore

#include "keystore/CKeyStorageWrapper.h"

#include <string>

#include "core/Catalogue.h"
#include "core/Cp1251.h"
#include "core/Logger.h"
#include "core/RegistryHandler.h"

namespace tavrpki {
namespace {

constexpr const char* kPathValue = "KeyStorageManager";
constexpr const char* kCreateExport = "CreateKeyStorageManager";
constexpr const char* kDestroyExport = "DestroyKeyStorageManager";

// The audit lines that give the reason behind 30001-30003: the loader's own words.
constexpr const char* kLogNotLoaded = Cp1251<"Бібліотека сховища ключів не завантажена: %s">;
constexpr const char* kLogLoadFailed = Cp1251<"Помилка завантаження бібліотеки сховища ключів: %s">;

}  // namespace

CKeyStorageWrapper::CKeyStorageWrapper() = default;

CKeyStorageWrapper::~CKeyStorageWrapper() { Unload(); }

void CKeyStorageWrapper::Reload() {
  std::lock_guard<std::mutex> hold(m_loading);
  Unload();
  m_tried.store(true, std::memory_order_release);
  try {
    Load();
  } catch (...) {
    ProcessLogger().Write(0, kLogError, kLogLoadFailed, m_failure.c_str());
    throw;
  }
}

void CKeyStorageWrapper::LoadOnce() {
  if (m_tried.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> hold(m_loading);
  if (m_tried.load(std::memory_order_relaxed)) return;
  try {
    Load();
  } catch (...) {
    // Kept in m_failure (whatever the plugin threw); reported by this and every
    // later operation.
  }
  m_tried.store(true, std::memory_order_release);
}

bool CKeyStorageWrapper::IsLoaded() {
  LoadOnce();
  return m_manager != nullptr;
}

KeyStorageManager& CKeyStorageWrapper::Manager() {
  LoadOnce();
  if (m_manager == nullptr) {
    ProcessLogger().Write(0, kLogError, kLogNotLoaded, m_failure.c_str());
    Raise(kMsgKeyStorageLibraryNotLoaded);
  }
  return *m_manager;
}

void CKeyStorageWrapper::Load() {
  if (m_manager != nullptr) return;
  m_failure.clear();
  try {
    const std::string path = RegistryHandler::ReadString(false, kPathValue);
    if (!m_library.Load(path)) {
      m_failure = path + ": " + m_library.LastError();
      Raise(kMsgKeyStorageLibraryLoadFailed, static_cast<unsigned>(m_library.LastErrorNumber()));
    }
    // Both exports are required before anything is created, so that every
    // manager made can be handed back.
    auto* create = reinterpret_cast<CreateKeyStorageManagerFunction>(RequireExport(path, kCreateExport));
    auto* destroy = reinterpret_cast<DestroyKeyStorageManagerFunction>(RequireExport(path, kDestroyExport));
    KeyStorageManager* manager = create();
    if (manager == nullptr) {
      m_failure = path + ": " + kCreateExport + " made no manager";
      Raise(kMsgKeyStorageLibraryBadFormat);
    }
    m_manager = manager;
    m_destroy = destroy;
  } catch (const ExceptionBase& error) {
    if (m_failure.empty()) m_failure = error.GetErrorMessage();
    m_library.Unload();
    throw;
  } catch (...) {
    if (m_failure.empty()) m_failure = std::string(kCreateExport) + " failed";
    m_library.Unload();
    throw;
  }
}

void* CKeyStorageWrapper::RequireExport(const std::string& path, const char* name) {
  void* address = m_library.Symbol(name);
  if (address == nullptr) {
    m_failure = path + ": " + m_library.LastError();
    Raise(kMsgKeyStorageLibraryBadFormat);
  }
  return address;
}

void CKeyStorageWrapper::Unload() noexcept {
  if (m_manager != nullptr) m_destroy(m_manager);
  m_manager = nullptr;
  m_destroy = nullptr;
  m_library.Unload();
}

}  // namespace tavrpki

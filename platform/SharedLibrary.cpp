#include "platform/SharedLibrary.h"

#include <dlfcn.h>

#include <cerrno>
#include <utility>

namespace tavrpki::platform {
namespace {

// dlerror() hands out the last failure of the calling thread and clears it.
std::string TakeLoaderError() {
  const char* text = dlerror();
  return text != nullptr ? std::string(text) : std::string("unknown loader error");
}

}  // namespace

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_lastError(std::move(other.m_lastError)),
      m_lastErrorNumber(other.m_lastErrorNumber) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
  if (this != &other) {
    Unload();
    m_handle = std::exchange(other.m_handle, nullptr);
    m_lastError = std::move(other.m_lastError);
    m_lastErrorNumber = other.m_lastErrorNumber;
  }
  return *this;
}

bool SharedLibrary::Load(const std::string& path) {
  Unload();
  errno = 0;
  // RTLD_LOCAL: two plugins exporting the same names must not see each other's.
  m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m_handle == nullptr) {
    m_lastErrorNumber = errno;
    m_lastError = TakeLoaderError();
    return false;
  }
  return true;
}

void* SharedLibrary::Symbol(const char* name) {
  if (m_handle == nullptr) {
    m_lastError = "no library loaded";
    return nullptr;
  }
  dlerror();  // a null symbol value is legal; only a set error means "missing"
  void* address = dlsym(m_handle, name);
  if (address == nullptr) m_lastError = TakeLoaderError();
  return address;
}

void SharedLibrary::Unload() {
  if (m_handle != nullptr) {
    dlclose(m_handle);
    m_handle = nullptr;
  }
}

}  // namespace tavrpki::platform

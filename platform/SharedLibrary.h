// A shared library loaded at run time (dlopen), in place of LoadLibraryA,
// GetProcAddress and FreeLibrary. Move-only; unloads itself. No call throws.
#pragma once

#include <string>

namespace tavrpki::platform {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary() { Unload(); }
  SharedLibrary(SharedLibrary&& other) noexcept;
  SharedLibrary& operator=(SharedLibrary&& other) noexcept;
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Loads `path` (a name without '/' is searched as the dynamic loader searches),
  // resolving every symbol now. False on failure; `LastError()` then says why.
  bool Load(const std::string& path);
  bool IsLoaded() const { return m_handle != nullptr; }
  // The address of the exported symbol `name`, or null (`LastError()` says why).
  void* Symbol(const char* name);
  void Unload();

  // The loader's text for the last failure of this object.
  const std::string& LastError() const { return m_lastError; }
  // errno as the failed load left it (0 when the loader set none).
  int LastErrorNumber() const { return m_lastErrorNumber; }

 private:
  void* m_handle = nullptr;
  std::string m_lastError;
  int m_lastErrorNumber = 0;
};

}  // namespace tavrpki::platform

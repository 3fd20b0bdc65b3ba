// A private configuration and log directory for one test: both hives and the
// state directory point into a fresh temporary directory; the environment is
// restored and the directory removed afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/Logger.h"

namespace tavrpki::test {

class ConfigSandbox {
 public:
  ConfigSandbox() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrpki-XXXXXX").string();
    m_root = mkdtemp(pattern.data());
    Set("TAVR_PKI_USER_CONFIG", UserHive());
    Set("TAVR_PKI_SYSTEM_CONFIG", SystemHive());
    Set("XDG_STATE_HOME", (m_root / "state").string());
  }
  ~ConfigSandbox() {
    ProcessLogger().Close();  // a log left open would outlive its directory
    // Newest first, so that a variable set twice ends with its original value.
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
      if (it->second.first)
        setenv(it->first.c_str(), it->second.second.c_str(), 1);
      else
        unsetenv(it->first.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }
  ConfigSandbox(const ConfigSandbox&) = delete;
  ConfigSandbox& operator=(const ConfigSandbox&) = delete;

  // Sets (or, with nullptr, removes) an environment variable until the end of the test.
  void Set(const char* name, const char* value) {
    const char* old = getenv(name);
    m_saved.push_back({name, {old != nullptr, old != nullptr ? old : ""}});
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  void Set(const char* name, const std::string& value) { Set(name, value.c_str()); }

  // `values` are .reg lines such as "\"UseLog\"=dword:00000000" joined by "\n".
  void WriteUser(const std::string& values) const { WriteHive(UserHive(), "HKEY_CURRENT_USER", values); }
  void WriteSystem(const std::string& values) const {
    WriteHive(SystemHive(), "HKEY_LOCAL_MACHINE", values);
  }

  std::filesystem::path Root() const { return m_root; }
  std::string UserHive() const { return (m_root / "user.reg").string(); }
  std::string SystemHive() const { return (m_root / "system.reg").string(); }
  std::filesystem::path DefaultLogDirectory() const { return m_root / "state" / "tavr-pki"; }

  // Every file in `directory` (the default log directory when empty).
  std::vector<std::filesystem::path> Files(std::filesystem::path directory = {}) const {
    if (directory.empty()) directory = DefaultLogDirectory();
    std::vector<std::filesystem::path> files;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(directory, ignored))
      files.push_back(entry.path());
    return files;
  }

  static std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }

 private:
  static void WriteHive(const std::string& path, const char* hive, const std::string& values) {
    std::string text = std::string("Windows Registry Editor Version 5.00\r\n\r\n[") + hive +
                       "\\SOFTWARE\\TAVR_PKI]\r\n";
    for (char c : values) {
      if (c == '\n') text += '\r';
      text += c;
    }
    WriteFile(path, text + "\r\n");
  }

  std::filesystem::path m_root;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> m_saved;
};

}  // namespace tavrpki::test

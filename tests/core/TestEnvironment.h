// Temporary configuration for one test: a fresh directory, environment
// variables pointed into it, and everything restored afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace tavrpki::test {

class TestEnvironment {
 public:
  TestEnvironment() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrpki-core-XXXXXX").string();
    m_root = mkdtemp(pattern.data());
    Set("TAVR_PKI_USER_CONFIG", (m_root / "user.reg").string());
    Set("TAVR_PKI_SYSTEM_CONFIG", (m_root / "system.reg").string());
    Set("XDG_STATE_HOME", (m_root / "state").string());
  }
  ~TestEnvironment() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
      if (it->second.first)
        setenv(it->first.c_str(), it->second.second.c_str(), 1);
      else
        unsetenv(it->first.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }
  TestEnvironment(const TestEnvironment&) = delete;
  TestEnvironment& operator=(const TestEnvironment&) = delete;

  // Sets (or, with nullptr, removes) a variable until the end of the test.
  void Set(const char* name, const char* value) {
    const char* old = getenv(name);
    m_saved.push_back({name, {old != nullptr, old != nullptr ? old : ""}});
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  void Set(const char* name, const std::string& value) { Set(name, value.c_str()); }

  const std::filesystem::path& Root() const { return m_root; }
  std::string UserHive() const { return (m_root / "user.reg").string(); }
  std::string SystemHive() const { return (m_root / "system.reg").string(); }

  static void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  static std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // A hive file holding `lines` under the library's key ("" writes no file at all).
  void WriteHive(bool currentUser, const std::string& lines) const {
    if (lines.empty()) return;
    const char* root = currentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    WriteFile(currentUser ? UserHive() : SystemHive(),
              std::string("Windows Registry Editor Version 5.00\r\n\r\n[") + root +
                  "\\SOFTWARE\\TAVR_PKI]\r\n" + lines + "\r\n");
  }

 private:
  std::filesystem::path m_root;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> m_saved;
};

}  // namespace tavrpki::test

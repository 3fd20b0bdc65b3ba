#include "core/RegistryHandler.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>

#include "core/Catalogue.h"
#include "core/HiveCache.h"
#include "core/Logger.h"
#include "core/RegFile.h"

namespace tavrpki {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

struct Hive {
  std::string path;
  std::shared_ptr<const RegFile> file;
  const char* failure = nullptr;  // why there is no file
};

// The hive as its file is now; parsed once per state of the file (core/HiveCache.h).
Hive ReadHive(bool currentUser) {
  Hive hive;
  hive.path = RegistryHandler::HivePath(currentUser);
  if (hive.path.empty()) {
    hive.failure = "no hive file (HOME is not set)";
    return hive;
  }
  HiveRead read = HiveCache::Process().Read(hive.path);
  hive.file = std::move(read.file);
  hive.failure = read.failure;
  return hive;
}

std::string Describe(const std::string& path, const RegProblem& problem) {
  return path + ":" + std::to_string(problem.line) + ": " + problem.reason;
}

bool SameName(const std::string& a, const char* b) {
  const std::string_view other = b == nullptr ? "" : b;
  if (a.size() != other.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = other[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// The skipped lines go to the audit log as warnings, once for each state of the
// file (the same typo need not fill the log).
void WarnAboutProblems(const Hive& hive) {
  // Reads made before the log opens (its own settings among them) do not count.
  if (!hive.file || hive.file->ProblemCount() == 0 || !ProcessLogger().IsOpen()) return;
  std::string summary = hive.path;
  for (const RegProblem& problem : hive.file->Problems()) summary += "|" + Describe(hive.path, problem);
  static std::mutex lock;
  static std::string lastWarned;
  {
    std::lock_guard<std::mutex> guard(lock);
    if (summary == lastWarned) return;
    lastWarned = summary;
  }
  for (const RegProblem& problem : hive.file->Problems())
    ProcessLogger().Write(0, kLogWarning, "configuration line skipped: %s", Describe(hive.path, problem).c_str());
  if (hive.file->ProblemCount() > hive.file->Problems().size())
    ProcessLogger().Write(0, kLogWarning, "configuration %s: %zu more lines skipped", hive.path.c_str(),
                          hive.file->ProblemCount() - hive.file->Problems().size());
}

std::string KeyPath(bool currentUser, const char* subkey) {
  std::string path = currentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
  path += kConfigKey;
  if (subkey != nullptr) path += subkey;
  return path;
}

enum class Lookup { kFound, kNoKey, kNoValue };

// Finds the value in the hive, reading the hive file afresh; `why`, on failure,
// names the file and, when a skipped line may be the cause, that line.
Lookup Find(bool currentUser, const std::string& keyPath, const char* valueName, RegValue& out,
            std::string* why = nullptr) {
  const Hive hive = ReadHive(currentUser);
  if (!hive.file) {
    if (why != nullptr) *why = hive.path + ": " + hive.failure;
    return Lookup::kNoKey;
  }
  WarnAboutProblems(hive);
  const auto& problems = hive.file->Problems();
  const auto* values = hive.file->FindKey(keyPath);
  if (values == nullptr) {
    if (why != nullptr)
      *why = problems.empty() ? hive.path + ": no such key" : Describe(hive.path, problems.front());
    return Lookup::kNoKey;
  }
  std::string name = valueName == nullptr ? std::string() : std::string(valueName);
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const auto it = values->find(name);
  if (it == values->end()) {
    if (why != nullptr) {
      why->clear();
      for (const RegProblem& problem : problems)
        if (SameName(problem.name, valueName)) *why = Describe(hive.path, problem);
      if (why->empty() && !problems.empty()) *why = Describe(hive.path, problems.front());
    }
    return Lookup::kNoValue;
  }
  out = it->second;
  return Lookup::kFound;
}

}  // namespace

std::vector<std::string> RegistryHandler::HiveProblems(bool currentUser) {
  const Hive hive = ReadHive(currentUser);
  std::vector<std::string> out;
  if (!hive.file) {
    out.push_back(hive.path + ": " + hive.failure);
    return out;
  }
  for (const RegProblem& problem : hive.file->Problems()) out.push_back(Describe(hive.path, problem));
  return out;
}

std::string RegistryHandler::HivePath(bool currentUser) {
  if (!currentUser) {
    const std::string configured = Environment("TAVR_PKI_SYSTEM_CONFIG");
    return configured.empty() ? "/etc/tavr-pki/config.reg" : configured;
  }
  const std::string configured = Environment("TAVR_PKI_USER_CONFIG");
  if (!configured.empty()) return configured;
  // The XDG base directory rules ignore relative values.
  const std::string configHome = Environment("XDG_CONFIG_HOME");
  if (!configHome.empty() && configHome.front() == '/') return configHome + "/tavr-pki/config.reg";
  const std::string home = Environment("HOME");
  if (home.empty()) return std::string();
  return home + "/.config/tavr-pki/config.reg";
}

std::uint32_t RegistryHandler::ReadDword(bool currentUser, const char* subkey, const char* valueName,
                                         std::uint32_t defaultValue) {
  RegValue value;
  if (Find(currentUser, KeyPath(currentUser, subkey), valueName, value) != Lookup::kFound ||
      value.type != RegValue::kDword)
    return defaultValue;
  return value.dword;
}

std::string RegistryHandler::ReadString(bool currentUser, const char* valueName) {
  const std::string keyPath = KeyPath(currentUser, "");
  RegValue value;
  std::string why;
  const std::string name = valueName == nullptr ? "" : valueName;
  switch (Find(currentUser, keyPath, valueName, value, &why)) {
    case Lookup::kNoKey:
      Raise(kMsgRegistryOpenFailed, (keyPath + "; " + why).c_str());
    case Lookup::kNoValue:
      Raise(kMsgRegistryReadFailed, keyPath.c_str(), (why.empty() ? name : name + "; " + why).c_str());
    case Lookup::kFound:
      break;
  }
  if (value.type != RegValue::kString)
    Raise(kMsgRegistryWrongType, keyPath.c_str(), valueName == nullptr ? "" : valueName);
  return value.text;
}

std::string RegistryHandler::ReadString(bool currentUser, const char* valueName,
                                        const std::string& defaultValue) {
  RegValue value;
  if (Find(currentUser, KeyPath(currentUser, ""), valueName, value) != Lookup::kFound ||
      value.type != RegValue::kString)
    return defaultValue;
  return value.text;
}

}  // namespace tavrpki

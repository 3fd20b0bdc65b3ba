// The configuration store: the .reg reader, the hives and their precedence, and
// the identifier table formed from them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/Catalogue.h"
#include "core/Logger.h"
#include "core/LogSettings.h"
#include "core/MessageText.h"
#include "core/OidTable.h"
#include "core/RegFile.h"
#include "core/RegistryHandler.h"
#include "support/ConfigSandbox.h"
#include "support/VectorFile.h"

namespace {

using tavrpki::RegFile;
using tavrpki::RegistryHandler;
using tavrpki::RegValue;
using tavrpki::test::ConfigSandbox;

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI";

const RegValue* Find(const RegFile& file, const char* key, const std::string& name) {
  const auto* values = file.FindKey(key);
  if (values == nullptr) return nullptr;
  const auto it = values->find(name);
  return it == values->end() ? nullptr : &it->second;
}

// A vector file's text with "\n" standing for a line break.
std::string Lines(std::string text) {
  for (std::size_t at = 0; (at = text.find("\\n", at)) != std::string::npos;) text.replace(at, 2, "\n");
  return text;
}

std::vector<tavrpki::test::Vector> Section(const std::string& section) {
  std::vector<tavrpki::test::Vector> out;
  for (auto& v : tavrpki::test::ReadVectorFile("core-config.vec"))
    if (v.section == section) out.push_back(v);
  EXPECT_FALSE(out.empty()) << section;
  return out;
}

TEST(RegFile, ReadsWhatRegeditWrites) {
  const auto bytes = tavrpki::test::ReadFileBytes("core-regedit.reg");
  const auto file = RegFile::Parse(std::string(bytes.begin(), bytes.end()));
  ASSERT_TRUE(file.has_value());
  for (const auto& v : Section("Regedit")) {
    SCOPED_TRACE(v.Where());
    const RegValue* value = Find(*file, "hkey_local_machine\\Software\\TAVR_PKI", v.Get("name"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, std::stoul(v.Get("type")));
    EXPECT_EQ(value->text, v.Get("text"));
    EXPECT_EQ(value->dword, std::stoul(v.Get("dword")));
  }
  EXPECT_EQ(Find(*file, kKey, "GONE"), nullptr);
  EXPECT_EQ(file->FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Other"), nullptr);
  EXPECT_EQ(file->FindKey("HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI"), nullptr);
}

TEST(RegFile, ReadsRegistryEditorUtf16Exports) {
  const auto raw = tavrpki::test::ReadFileBytes("core-regedit-utf16.reg");
  const std::string bytes(raw.begin(), raw.end());
  const auto file = RegFile::Parse(bytes);
  ASSERT_TRUE(file.has_value());
  const RegValue* value = Find(*file, kKey, "APILOGFILE");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->text, "/var/log/журнал \xF0\x9F\x94\x92");
  EXPECT_FALSE(RegFile::Parse(bytes.substr(0, bytes.size() - 1)).has_value()) << "odd length";
  EXPECT_FALSE(RegFile::Parse(std::string("\xFF\xFE\x00\xD8\x41\x00", 6)).has_value()) << "lone surrogate";
}

// A malformed line costs itself only: it is recorded with its line and reason,
// and what follows it still reads.
TEST(RegFile, MalformedLinesAreSkippedAndNamed) {
  for (const auto& v : Section("Skipped")) {
    SCOPED_TRACE(v.Where() + " " + v.Get("why"));
    const auto file = RegFile::Parse(Lines(v.Get("text") + "\\n[KEY]\\n\"After\"=\"1\"\\n"));
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->ProblemCount(), 1u);
    const tavrpki::RegProblem& problem = file->Problems().front();
    EXPECT_EQ(problem.line, std::stoul(v.Get("line")));
    EXPECT_EQ(problem.name, v.Has("name") ? v.Get("name") : "");
    EXPECT_EQ(problem.reason, v.Get("reason"));
    const RegValue* after = Find(*file, "KEY", "AFTER");
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->text, "1");
    EXPECT_EQ(Find(*file, "KEY", "NAME"), nullptr);
  }
  EXPECT_EQ(RegFile::Parse("").value().ProblemCount(), 0u);
  EXPECT_EQ(RegFile::Parse("REGEDIT4\n\n[KEY]\n").value().ProblemCount(), 0u);
  // A hostile file keeps a bounded list and the true count.
  std::string junk = "[KEY]\n";
  for (int i = 0; i < 1000; ++i) junk += "junk\n";
  const auto file = RegFile::Parse(junk + "\"Good\"=dword:2\n");
  EXPECT_EQ(file->ProblemCount(), 1000u);
  EXPECT_EQ(file->Problems().size(), RegFile::kMaxProblemsKept);
  EXPECT_EQ(file->Problems().back().line, 1u + RegFile::kMaxProblemsKept);
  EXPECT_EQ(Find(*file, "KEY", "GOOD")->dword, 2u);
}

// ReadString without a default: the three failures, with the words callers see;
// with a default, every one of them gives the default.
TEST(RegistryHandler, ReadStringFailuresCarryKeyAndValue) {
  ConfigSandbox env;
  for (const auto& v : Section("ReadString")) {
    SCOPED_TRACE(v.Where());
    if (v.Has("hive")) env.WriteSystem(Lines(v.Get("hive")));
    if (v.Has("file")) {
      std::filesystem::remove(env.SystemHive());
      if (v.Get("file") != "none") ConfigSandbox::WriteFile(env.SystemHive(), Lines(v.Get("file")));
    }
    try {
      const std::string text = RegistryHandler::ReadString(false, v.Get("name").c_str());
      EXPECT_EQ(text, v.Get("text"));
    } catch (const tavrpki::Exception& e) {
      EXPECT_EQ(e.GetErrorCode(), std::stoul(v.Get("code")));
      std::string message = v.Get("message");
      if (const auto at = message.find("$HIVE"); at != std::string::npos)
        message.replace(at, 5, env.SystemHive());
      EXPECT_EQ(tavrpki::MessageAsUtf8(e), message);
    }
    v.ExpectAllUsed();
  }
  EXPECT_EQ(RegistryHandler::ReadString(false, "UseLog", "d"), "d");
  EXPECT_EQ(RegistryHandler::ReadString(false, "Missing", "d"), "d");
  EXPECT_EQ(RegistryHandler::ReadString(true, "RootOID", "d"), "d");
  EXPECT_EQ(RegistryHandler::ReadDword(false, "", "RootOID", 7), 7u) << "a text asked for as a DWORD";
  EXPECT_EQ(RegistryHandler::ReadDword(false, "\\Sub", "UseLog", 7), 7u) << "a subkey the hive lacks";
  EXPECT_EQ(RegistryHandler::ReadDword(false, "", "UseLog", 7), 1u);
  env.WriteSystem("\"RootOID\"=\"1.3\"");  // an edit takes effect without a restart
  EXPECT_EQ(RegistryHandler::ReadString(false, "RootOID"), "1.3");
}

// Skipped lines reach the audit log as warnings naming file and line, once per
// state of the file although every read parses it again.
TEST(RegistryHandler, SkippedLinesAreLoggedOnce) {
  ConfigSandbox env;
  env.WriteSystem("\"UseLog\"=dword:zz\n\"RootOID\"=\"1.2\"");
  EXPECT_EQ(RegistryHandler::ReadString(false, "RootOID"), "1.2");  // before the log opens
  tavrpki::ProcessLogger().Open(env.DefaultLogDirectory().string(), "t_");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(RegistryHandler::ReadString(false, "RootOID"), "1.2");
  EXPECT_EQ(RegistryHandler::HiveProblems(false),
            std::vector<std::string>{env.SystemHive() + ":4: a dword needs 1 to 8 hexadecimal digits"});
  tavrpki::ProcessLogger().Close();
  const auto files = env.Files();
  ASSERT_EQ(files.size(), 1u);
  const std::string log = ConfigSandbox::ReadFile(files[0]);
  const std::string line = "[wrn] configuration line skipped: " + env.SystemHive() + ":4: a dword needs";
  const auto first = log.find(line);
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find(line, first + 1), std::string::npos) << log;
}

// The user's hive and the default log directory lie in absolute XDG directories,
// else below HOME; the machine's hive is fixed; explicit variables win.
TEST(RegistryHandler, PathsFollowTheEnvironment) {
  ConfigSandbox env;
  env.Set("TAVR_PKI_USER_CONFIG", nullptr);
  env.Set("TAVR_PKI_SYSTEM_CONFIG", nullptr);
  env.Set("HOME", "/home/someone");
  for (const auto& v : Section("Paths")) {
    SCOPED_TRACE(v.Where());
    env.Set("XDG_CONFIG_HOME", v.Has("config") ? v.Get("config").c_str() : nullptr);
    env.Set("XDG_STATE_HOME", v.Has("state") ? v.Get("state").c_str() : nullptr);
    EXPECT_EQ(RegistryHandler::HivePath(true), v.Get("hive"));
    EXPECT_EQ(tavrpki::DefaultLogDirectory(), v.Get("logs"));
  }
  EXPECT_EQ(RegistryHandler::HivePath(false), "/etc/tavr-pki/config.reg");
  env.Set("TAVR_PKI_USER_CONFIG", "/u.reg");
  env.Set("TAVR_PKI_SYSTEM_CONFIG", "/s.reg");
  EXPECT_EQ(RegistryHandler::HivePath(true), "/u.reg");
  EXPECT_EQ(RegistryHandler::HivePath(false), "/s.reg");
}

TEST(LogSettings, UserHiveFirstThenMachineThenDefaults) {
  for (const auto& v : Section("LogSettings")) {
    SCOPED_TRACE(v.Get("case"));
    ConfigSandbox env;
    if (!v.Get("user").empty()) env.WriteUser(v.Get("user"));
    if (!v.Get("system").empty()) env.WriteSystem(v.Get("system"));
    const auto settings = tavrpki::ReadLogSettings();
    EXPECT_EQ(settings.useLog, v.Get("log") == "on");
    if (settings.useLog) {
      EXPECT_EQ(settings.directory, v.Has("directory") ? v.Get("directory") : env.DefaultLogDirectory().string());
    }
    v.ExpectAllUsed();
  }
}

TEST(OidTable, FormedFromTheConfiguredRoot) {
  for (const auto& v : Section("OidRoot")) {
    SCOPED_TRACE(v.Where());
    ConfigSandbox env;
    if (!v.Get("hive").empty()) env.WriteSystem(v.Get("hive"));
    env.WriteUser("\"RootOID\"=\"9.9\"");
    tavrpki::BuildOidTable();
    const std::string root = v.Get("root");
    EXPECT_EQ(tavrpki::GetOidRoot(), root);
    const std::string formed[] = {tavrpki::GetOidRoot1(), tavrpki::GetOidRoot2(), tavrpki::GetOidRoot3(),
                                  tavrpki::GetOidRoot4(), tavrpki::GetOidRoot5(), tavrpki::GetOidRoot6(),
                                  tavrpki::GetOidRoot8(), tavrpki::GetOidRoot9()};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(formed[i], root + "." + "12345689"[i]);
  }
}

}  // namespace

// The configuration store: the .reg reader, the hives and their precedence.
#include <gtest/gtest.h>

#include <string>

#include "core/Catalogue.h"
#include "core/LogSettings.h"
#include "core/MessageText.h"
#include "core/RegFile.h"
#include "core/RegistryHandler.h"
#include "support/ConfigSandbox.h"

namespace {

using tavrpki::RegFile;
using tavrpki::RegistryHandler;
using tavrpki::RegValue;
using tavrpki::test::ConfigSandbox;

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI";

const RegValue* Find(const RegFile& file, const char* key, const char* name) {
  const auto* values = file.FindKey(key);
  if (values == nullptr) return nullptr;
  const auto it = values->find(name);
  return it == values->end() ? nullptr : &it->second;
}

TEST(RegFile, ReadsWhatRegeditWrites) {
  const std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; the library's key\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n"
      "\"RootOID\"=\"1.3.6.1.4.1.19398.1\"\r\n"
      "\"APILogFile\"=\"C:\\\\logs\\\\\\\"quoted\\\"\"\r\n"
      "\"UseLog\"=dword:0000000A\r\n"
      "\"Short\"=dword:1 ; a comment\r\n"
      "\"Binary\"=hex:01,02,\\\r\n"
      "  03,04\r\n"
      "\"Expand\"=hex(2):25,00,00,00\r\n"
      "\"Multi\"=hex(7):00,00\r\n"
      "@=\"default value\"\r\n"
      "\"Gone\"=\"x\"\r\n"
      "\"Gone\"=-\r\n"
      "\"Twice\"=\"first\"\r\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
      "\"Ignored\"=\"x\"\r\n"
      "[hkey_local_machine\\software\\tavr_pki]\r\n"
      "\"twice\"=\"second\"\n";  // a later section for the same key merges
  const auto file = RegFile::Parse(text);
  ASSERT_TRUE(file.has_value());

  struct Expected {
    const char* name;
    std::uint32_t type;
    std::string text;
    std::uint32_t dword;
  };
  const Expected kExpected[] = {
      {"ROOTOID", RegValue::kString, "1.3.6.1.4.1.19398.1", 0},
      {"APILOGFILE", RegValue::kString, "C:\\logs\\\"quoted\"", 0},
      {"USELOG", RegValue::kDword, "", 10},
      {"SHORT", RegValue::kDword, "", 1},
      {"BINARY", RegValue::kBinary, "", 0},
      {"EXPAND", RegValue::kExpandString, "", 0},
      {"MULTI", RegValue::kMultiString, "", 0},
      {"", RegValue::kString, "default value", 0},
      {"TWICE", RegValue::kString, "second", 0},
  };
  for (const auto& e : kExpected) {
    SCOPED_TRACE(e.name);
    const RegValue* value = Find(*file, "hkey_local_machine\\Software\\TAVR_PKI", e.name);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, e.type);
    EXPECT_EQ(value->text, e.text);
    EXPECT_EQ(value->dword, e.dword);
  }
  EXPECT_EQ(Find(*file, kKey, "GONE"), nullptr);
  EXPECT_EQ(file->FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Other"), nullptr);
  EXPECT_EQ(file->FindKey("HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI"), nullptr);
}

TEST(RegFile, ReadsRegistryEditorUtf16Exports) {
  const std::u16string text =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n"
      u"\"APILogFile\"=\"/var/log/журнал \U0001F512\"\r\n";
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  const auto file = RegFile::Parse(bytes);
  ASSERT_TRUE(file.has_value());
  const RegValue* value = Find(*file, kKey, "APILOGFILE");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->text, "/var/log/журнал \xF0\x9F\x94\x92");

  EXPECT_FALSE(RegFile::Parse(bytes.substr(0, bytes.size() - 1)).has_value()) << "odd length";
  const std::string loneSurrogate = std::string("\xFF\xFE", 2) + std::string("\x00\xD8\x41\x00", 4);
  EXPECT_FALSE(RegFile::Parse(loneSurrogate).has_value());
}

TEST(RegFile, MalformedFilesAreRefusedWhole) {
  const char* kMalformed[] = {
      "\"UseLog\"=dword:1\n",                            // a value before any section
      "[KEY\n",                                          // unclosed section
      "[]\n",
      "[KEY]\n\"Name\"=\"unterminated\n",
      "[KEY]\n\"Name\"=\"bad \\q escape\"\n",
      "[KEY]\n\"Name\"=\"text\" trailing\n",
      "[KEY]\n\"Name\"=dword:123456789\n",               // nine digits
      "[KEY]\n\"Name\"=dword:\n",
      "[KEY]\n\"Name\"=dword:12g4\n",
      "[KEY]\n\"Name\"=hex:1,2\n",
      "[KEY]\n\"Name\"=hex(zz):00\n",
      "[KEY]\n\"Name\"=hex(2)00\n",
      "[KEY]\nName=\"no quotes\"\n",
      "[KEY]\n\"Name\"\n",
      "[KEY]\n\"Name\"=unknown:1\n",
      "[KEY]\nREGEDIT4\n",                              // a header only at the top
  };
  for (const char* text : kMalformed) EXPECT_FALSE(RegFile::Parse(text).has_value()) << text;
  EXPECT_TRUE(RegFile::Parse("").has_value());
  EXPECT_TRUE(RegFile::Parse("REGEDIT4\n\n[KEY]\n").has_value());
}

// ReadString without a default: the three failures, with the words callers see.
TEST(RegistryHandler, ReadStringFailuresCarryKeyAndValue) {
  ConfigSandbox env;
  auto failure = [](const char* name) -> std::pair<unsigned long, std::string> {
    try {
      RegistryHandler::ReadString(false, name);
    } catch (const tavrpki::Exception& e) {
      return {e.GetErrorCode(), tavrpki::MessageAsUtf8(e)};
    }
    return {0, "no exception"};
  };
  EXPECT_EQ(failure("RootOID"),
            std::make_pair(150000ul, std::string("Помилка відкриття ключа реєстру. (") + kKey + ")"));
  ConfigSandbox::WriteFile(env.SystemHive(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n");
  EXPECT_EQ(failure("RootOID").first, 150000ul) << "a hive without the key's section";
  ConfigSandbox::WriteFile(env.SystemHive(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\n\"x\"=\"1\" junk\n");
  EXPECT_EQ(failure("x").first, 150000ul) << "a malformed hive";

  env.WriteSystem("\"UseLog\"=dword:00000001\n\"RootOID\"=\"1.2\"");
  EXPECT_EQ(failure("KeyStorageManager"),
            std::make_pair(150001ul, std::string("Помилка читання даних реєстру. (Ключ ") + kKey +
                                         "  Значення KeyStorageManager)"));
  EXPECT_EQ(failure("UseLog"),
            std::make_pair(150002ul, std::string("Не вірний тип даних реєстру. (Ключ ") + kKey +
                                         "  Значення UseLog)"));
  EXPECT_EQ(RegistryHandler::ReadString(false, "rootoid"), "1.2");
  env.WriteSystem("\"RootOID\"=\"1.3\"");  // an edit takes effect without a restart
  EXPECT_EQ(RegistryHandler::ReadString(false, "RootOID"), "1.3");
  env.WriteSystem("\"UseLog\"=dword:00000001\n\"RootOID\"=\"1.2\"");
  // With a default, every one of those failures gives the default.
  EXPECT_EQ(RegistryHandler::ReadString(false, "UseLog", "d"), "d");
  EXPECT_EQ(RegistryHandler::ReadString(false, "Missing", "d"), "d");
  EXPECT_EQ(RegistryHandler::ReadString(true, "RootOID", "d"), "d");
  EXPECT_EQ(RegistryHandler::ReadDword(false, "", "RootOID", 7), 7u) << "a text asked for as a DWORD";
  EXPECT_EQ(RegistryHandler::ReadDword(false, "\\Sub", "UseLog", 7), 7u) << "a subkey the hive lacks";
  EXPECT_EQ(RegistryHandler::ReadDword(false, "", "UseLog", 7), 1u);
}

// The user's hive and the default log directory lie in absolute XDG directories,
// else below HOME; the machine's hive is fixed; explicit variables win.
TEST(RegistryHandler, PathsFollowTheEnvironment) {
  ConfigSandbox env;
  env.Set("TAVR_PKI_USER_CONFIG", nullptr);
  env.Set("TAVR_PKI_SYSTEM_CONFIG", nullptr);
  env.Set("HOME", "/home/someone");
  const struct {
    const char *config, *state;  // XDG_CONFIG_HOME, XDG_STATE_HOME; nullptr: unset
    const char *hive, *logs;
  } kCases[] = {
      {"/c", "/s", "/c/tavr-pki/config.reg", "/s/tavr-pki"},
      {"relative", "relative", "/home/someone/.config/tavr-pki/config.reg", "/home/someone/.local/state/tavr-pki"},
      {nullptr, nullptr, "/home/someone/.config/tavr-pki/config.reg", "/home/someone/.local/state/tavr-pki"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.hive);
    env.Set("XDG_CONFIG_HOME", c.config);
    env.Set("XDG_STATE_HOME", c.state);
    EXPECT_EQ(RegistryHandler::HivePath(true), c.hive);
    EXPECT_EQ(tavrpki::DefaultLogDirectory(), c.logs);
  }
  EXPECT_EQ(RegistryHandler::HivePath(false), "/etc/tavr-pki/config.reg");
  env.Set("TAVR_PKI_USER_CONFIG", "/u.reg");
  env.Set("TAVR_PKI_SYSTEM_CONFIG", "/s.reg");
  EXPECT_EQ(RegistryHandler::HivePath(true), "/u.reg");
  EXPECT_EQ(RegistryHandler::HivePath(false), "/s.reg");
}

TEST(LogSettings, UserHiveFirstThenMachineThenDefaults) {
  struct Case {
    const char* what;
    const char* user;    // .reg lines of HKEY_CURRENT_USER ("" = no file)
    const char* system;  // .reg lines of HKEY_LOCAL_MACHINE
    bool useLog;
    const char* directory;  // nullptr: the default directory
  };
  const Case kCases[] = {
      {"nothing configured", "", "", true, nullptr},
      {"user off wins", "\"UseLog\"=dword:0", "\"UseLog\"=dword:1", false, nullptr},
      {"user on wins", "\"UseLog\"=dword:1", "\"UseLog\"=dword:0", true, nullptr},
      {"machine decides when user is silent", "\"Other\"=\"x\"", "\"UseLog\"=dword:0", false, nullptr},
      {"only 1 means on", "\"UseLog\"=dword:2", "\"UseLog\"=dword:1", false, nullptr},
      {"user text is the wrong type", "\"UseLog\"=\"0\"", "\"UseLog\"=dword:0", false, nullptr},
      {"user 0xFFFFFFFF counts as absent", "\"UseLog\"=dword:ffffffff", "", true, nullptr},
      {"machine text is the wrong type", "", "\"UseLog\"=\"0\"", true, nullptr},
      {"user directory wins", "\"APILogFile\"=\"/u\"", "\"APILogFile\"=\"/s\"", true, "/u"},
      {"empty user directory defers", "\"APILogFile\"=\"\"", "\"APILogFile\"=\"/s\"", true, "/s"},
      {"user dword directory defers", "\"APILogFile\"=dword:1", "\"APILogFile\"=\"/s\"", true, "/s"},
      {"empty everywhere", "\"APILogFile\"=\"\"", "\"APILogFile\"=\"\"", true, nullptr},
      {"malformed user hive is ignored", "\"UseLog\"=dword:0 junk", "\"APILogFile\"=\"/s\"", true, "/s"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ConfigSandbox env;
    if (*c.user) env.WriteUser(c.user);
    if (*c.system) env.WriteSystem(c.system);
    const auto settings = tavrpki::ReadLogSettings();
    EXPECT_EQ(settings.useLog, c.useLog);
    if (c.useLog) {
      EXPECT_EQ(settings.directory,
                c.directory != nullptr ? c.directory : env.DefaultLogDirectory().string());
    }
  }
}

}  // namespace

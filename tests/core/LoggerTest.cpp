// The audit log's file: line format, trailer, verification on reopen.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "core/Catalogue.h"
#include "core/Crc32.h"
#include "core/Logger.h"
#include "support/ConfigSandbox.h"
#include "support/LogCheck.h"

namespace {

using tavrpki::Logger;
using namespace tavrpki::test;

const std::string kStamp = R"(\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d\.\d\d\d )";
const std::string kCorruption = "\r\n\r\n!!! \xD4\xE0\xE9\xEB \xEF\xEE\xF8\xEA\xEE\xE6\xE4\xE5\xED\xEE !!!\r\n\r\n";

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

class LoggerTest : public testing::Test {
 protected:
  // Opens the log, writes `line` unless it is null, and closes it again.
  void Session(const char* line) {
    Logger logger;
    logger.Open(m_dir.string(), "ukvt_7_");
    if (line != nullptr) logger.Write(0, 0, line);
  }
  // The message an open in `directory` is refused with ("" if it opened).
  static std::string OpenError(const std::string& directory) {
    Logger logger;
    try {
      logger.Open(directory, "ukvt_7_");
    } catch (const tavrpki::Exception& e) {
      EXPECT_FALSE(logger.IsOpen());
      return e.GetErrorMessage();
    }
    return "";
  }
  std::string Content() const { return VerifiedLogContent(ConfigSandbox::ReadFile(m_file)); }

  ConfigSandbox m_env;
  std::filesystem::path m_dir = m_env.Root() / "logs" / "nested";
  std::string m_file = (m_dir / MonthLogName("ukvt_7_")).string();
};

TEST_F(LoggerTest, LinesAndTrailer) {
  {
    Logger logger;
    logger.Write(0, 0, "lost while closed");
    logger.Open(m_dir.string(), "ukvt_7_");  // creates the missing directories
    logger.Open("/ignored/while/open", "x_");
    logger.Write(0, tavrpki::kLogInfo, "info %d %s", 5, "five");
    logger.Write(3, tavrpki::kLogWarning, "warning");
    logger.Write(0, tavrpki::kLogError, "error");
    logger.Write(0, 7, "no level");
    logger.Write(4, tavrpki::kLogError, "too verbose");
    const std::uint8_t bytes[] = {0x0A, 0xFF, 0x00};
    logger.WriteHex(0, tavrpki::kLogInfo, bytes);
    logger.Close();
    logger.Close();
    logger.Write(0, 0, "lost after close");
  }
  EXPECT_FALSE(std::filesystem::exists("/ignored/while/open"));
  const std::regex expected(kStamp + R"(\[inf\] info 5 five\r\n)" + kStamp + R"(\[wrn\] warning\r\n)" + kStamp +
                            R"(\[err\] error\r\n)" + kStamp + R"(no level\r\n)" + kStamp + R"(\[inf\] 0Ah FFh 00h \r\n)");
  EXPECT_TRUE(std::regex_match(Content(), expected)) << Content();
}

TEST_F(LoggerTest, ReopenedByAnotherProcessWithoutCorruption) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      Session("from the first process");
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  Session("from the second process");
  Session(nullptr);  // and once more, with nothing written in between
  EXPECT_TRUE(std::regex_match(Content(), std::regex(kStamp + R"(\[inf\] from the first process\r\n)" + kStamp +
                                                     R"(\[inf\] from the second process\r\n)")))
      << Content();
}

TEST_F(LoggerTest, DamageIsRecordedOnceAndSealedByTheNextTrailer) {
  const std::pair<const char*, void (*)(std::string&)> kCases[] = {
      {"trailer edited", [](std::string& log) { log.back() = log.back() == '0' ? '1' : '0'; }},
      {"byte appended", [](std::string& log) { log += 'x'; }},
      {"line edited", [](std::string& log) { log[30] ^= 1; }},
      {"trailer cut", [](std::string& log) { log.resize(log.size() - 8); }},
      {"trailer of another file", [](std::string& log) { log.replace(log.size() - 8, 8, "00000000"); }},
  };
  for (const auto& [what, damage] : kCases) {
    SCOPED_TRACE(what);
    std::filesystem::remove(m_file);
    Session("a line long enough to edit");
    std::string log = ConfigSandbox::ReadFile(m_file);
    const auto bytes = [&] { return std::span(reinterpret_cast<const std::uint8_t*>(log.data()), log.size()); };
    EXPECT_TRUE(tavrpki::LogFileIntact(bytes()));  // the check Open makes, on bytes alone
    damage(log);
    EXPECT_FALSE(tavrpki::LogFileIntact(bytes()));
    ConfigSandbox::WriteFile(m_file, log);
    Session("after");
    Session(nullptr);  // the new trailer verifies: no second line
    const std::string content = Content();
    EXPECT_EQ(Count(content, kCorruption), 1u) << content;
    EXPECT_EQ(content.substr(0, log.size()), log) << "damaged bytes are kept as they are";
    EXPECT_TRUE(std::regex_match(content.substr(log.size()), std::regex(kStamp + R"(\[err\] )" + kCorruption +
                                                                        "\r\n" + kStamp + R"(\[inf\] after\r\n)")))
        << content.substr(log.size());
  }
}

TEST_F(LoggerTest, ShortOrUnopenableFilesAreRefused) {
  std::filesystem::create_directories(m_dir);
  for (std::size_t size = 1; size <= 7; ++size) {
    ConfigSandbox::WriteFile(m_file, std::string(size, '0'));
    EXPECT_EQ(OpenError(m_dir.string()), "Log file I/O error") << size;
    EXPECT_EQ(ConfigSandbox::ReadFile(m_file).size(), size) << "a refused file is left alone";
  }
  // Eight bytes are a trailer alone: the CRC of nothing is 00000000.
  ConfigSandbox::WriteFile(m_file, "00000000");
  Session(nullptr);
  EXPECT_EQ(ConfigSandbox::ReadFile(m_file), "00000000");
  const std::string underAFile = (m_dir / "ukvt_7_plain").string();
  ConfigSandbox::WriteFile(underAFile, "x");
  EXPECT_EQ(OpenError(underAFile + "/sub"), "Can't open log file");
  EXPECT_EQ(OpenError(""), "Can't open log file");
}

// Kernels share the open file. Whatever happened to it on disk while it was
// held, the next line lands in a file at the path the name says, and every file
// the logger leaves behind ends in a trailer that verifies.
TEST_F(LoggerTest, TheSharedFileFollowsItsPath) {
  const std::string moved = m_file + ".1", other = (m_env.Root() / "other").string();
  const std::pair<const char*, void (*)(const std::string&, const std::string&)> kCases[] = {
      {"nothing", [](const std::string&, const std::string&) {}},
      {"rotated", [](const std::string& file, const std::string& to) { std::filesystem::rename(file, to); }},
      {"deleted", [](const std::string& file, const std::string&) { std::filesystem::remove(file); }},
      {"replaced", [](const std::string& file, const std::string& to) {
         ConfigSandbox::WriteFile(to, "");
         std::filesystem::rename(to, file);
       }},
      {"appended to", [](const std::string& file, const std::string&) {
         std::ofstream(file, std::ios::binary | std::ios::app) << "foreign";
       }},
  };
  for (const auto& [what, change] : kCases) {
    SCOPED_TRACE(what);
    std::filesystem::remove_all(m_dir);
    std::filesystem::remove(moved);
    {
      Logger logger(std::chrono::nanoseconds(0));  // the path examined before every line
      logger.Acquire(m_dir.string(), "ukvt_7_");
      EXPECT_TRUE(logger.Join());
      logger.Write(0, 0, "before");
      logger.Release();  // the other holder keeps the file open
      change(m_file, moved);
      logger.Write(0, 0, "after");
      logger.Release();
      EXPECT_FALSE(logger.IsOpen());
      logger.Write(0, 0, "lost");
    }
    const std::string content = Content();
    const bool foreign = std::string(what) == "appended to";
    EXPECT_EQ(Count(content, "[inf] after"), 1u) << content;
    EXPECT_EQ(Count(content, kCorruption), foreign ? 1u : 0u) << content;
    EXPECT_EQ(Count(content, "lost"), 0u);
    if (std::filesystem::exists(moved)) {
      EXPECT_EQ(Count(VerifiedLogContent(ConfigSandbox::ReadFile(moved)), "before"), 1u);
    }
  }
  // A later Acquire naming another directory moves the next line there.
  std::filesystem::remove_all(m_dir);
  Logger logger;
  logger.Acquire(m_dir.string(), "ukvt_7_");
  logger.Acquire(other, "ukvt_7_");
  logger.Write(0, 0, "moved");
  logger.Release();
  logger.Release();
  EXPECT_EQ(Content(), "");
  EXPECT_EQ(Count(VerifiedLogContent(ConfigSandbox::ReadFile(other + "/" + MonthLogName("ukvt_7_"))), "moved"), 1u);
}

// Chunked updates are exercised by every trailer the tests above verify.
TEST(Crc32, CheckValue) {
  const std::string text = "123456789";
  EXPECT_EQ(tavrpki::Crc32(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())),
            0xCBF43926u);  // the catalogued check value of CRC-32/ISO-HDLC
  EXPECT_EQ(tavrpki::Crc32({}), 0u);
}

}  // namespace

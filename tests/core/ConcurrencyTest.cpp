// The audit log and the object-identifier table under many threads. Also run by
// the ThreadSanitizer job.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/Crc32.h"
#include "core/Logger.h"
#include "core/OidTable.h"
#include "tests/core/TestEnvironment.h"

namespace {

using tavrpki::test::TestEnvironment;

constexpr int kThreads = 8;
constexpr int kLinesPerThread = 10'000;

// Eight writers while a ninth thread keeps closing and reopening the file: every
// reopen verifies the trailer the close before it wrote, so a torn line or a
// checksum that drifted from the file shows up as a corruption line.
TEST(LoggerConcurrency, WritersAndReopeningNeverTearALine) {
  TestEnvironment env;
  const std::string directory = (env.Root() / "logs").string();
  tavrpki::Logger logger;
  logger.Open(directory, "ukvt_1_");

  std::atomic<int> running{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&logger, &running, t] {
      for (int i = 0; i < kLinesPerThread; ++i)
        logger.Write(0, tavrpki::kLogInfo, "t%d n%05d abcdefghijklmnopqrstuvwxyz", t, i);
      --running;
    });
  }
  int reopenFailures = 0;
  int cycles = 0;
  std::thread reopener([&] {
    while (running > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      logger.Close();
      try {
        logger.Open(directory, "ukvt_1_");
      } catch (...) {
        ++reopenFailures;
      }
      ++cycles;
    }
  });
  for (auto& thread : threads) thread.join();
  reopener.join();
  logger.Close();
  EXPECT_EQ(reopenFailures, 0);

  const auto files = std::vector(std::filesystem::directory_iterator(directory), {});
  ASSERT_EQ(files.size(), 1u);
  const std::string log = TestEnvironment::ReadFile(files[0].path());
  ASSERT_GE(log.size(), 8u);
  const std::string content = log.substr(0, log.size() - 8);
  char trailer[9];
  std::snprintf(trailer, sizeof trailer, "%08X",
                tavrpki::Crc32({reinterpret_cast<const std::uint8_t*>(content.data()), content.size()}));
  EXPECT_EQ(log.substr(log.size() - 8), trailer);

  // Every line whole, and each thread's lines in the order it wrote them.
  // (A hand-written check: std::regex over 80,000 lines would dominate the test.)
  std::vector<int> last(kThreads, -1);
  int lines = 0;
  for (std::size_t at = 0; at < content.size(); ++lines) {
    const std::size_t end = content.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string text = content.substr(at, end - at);
    at = end + 2;
    int thread = -1, number = -1, consumed = 0;
    const bool whole = text.size() == 64 && std::isdigit(static_cast<unsigned char>(text[0])) &&
                       text[2] == '.' && text[5] == '.' && text[8] == ' ' && text[11] == ':' &&
                       text[14] == ':' && text[17] == '.' &&
                       std::sscanf(text.c_str() + 21, " [inf] t%1d n%5d %n", &thread, &number, &consumed) == 2 &&
                       consumed == 17 && text.compare(38, 26, "abcdefghijklmnopqrstuvwxyz") == 0 &&
                       thread >= 0 && thread < kThreads;
    ASSERT_TRUE(whole) << "line " << lines << ": " << text;
    ASSERT_GT(number, last[thread]) << text;
    last[thread] = number;
  }
  // Lines written while the file was briefly closed are lost by design.
  EXPECT_GT(lines, 0);
  EXPECT_GT(cycles, 0);
}

TEST(OidTableConcurrency, ReadersSeeOneWholeTableOrTheOther) {
  TestEnvironment env;
  env.WriteHive(false, "\"RootOID\"=\"1.2.804.2.1.1.1.1\"");
  tavrpki::BuildOidTable();
  const std::string kFirst = "1.2.804.2.1.1.1.1", kSecond = "1.3.6.1.4.1.99999.42";
  const std::string kSecondHive = (env.Root() / "second.reg").string();
  TestEnvironment::WriteFile(kSecondHive, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\n\"RootOID\"=\"" + kSecond + "\"\n");
  const std::string kFirstHive = env.SystemHive();

  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 4; ++r) {
    readers.emplace_back([&] {
      while (!done) {
        const std::string one = tavrpki::GetOidRoot1();
        const std::string nine = tavrpki::GetOidRoot9();
        if ((one != kFirst + ".1" && one != kSecond + ".1") || (nine != kFirst + ".9" && nine != kSecond + ".9"))
          ++bad;
      }
    });
  }
  // Only this thread touches the environment; the readers only read the table.
  for (int i = 0; i < 300; ++i) {
    env.Set("TAVR_PKI_SYSTEM_CONFIG", i % 2 ? kFirstHive : kSecondHive);
    tavrpki::BuildOidTable();
  }
  done = true;
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(bad, 0);
}

}  // namespace

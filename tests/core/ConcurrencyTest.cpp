// The audit log and the object-identifier table under many threads. Also run by
// the ThreadSanitizer job.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/Logger.h"
#include "core/OidTable.h"
#include "support/ConfigSandbox.h"
#include "support/LogCheck.h"

namespace {

using namespace tavrpki::test;

constexpr int kThreads = 8;
constexpr int kLinesPerThread = 10'000;

// Eight writers while a ninth thread keeps closing and reopening the file: every
// reopen verifies the trailer the close before it wrote, so a torn line or a
// checksum that drifted from the file shows up as a corruption line.
TEST(LoggerConcurrency, WritersAndReopeningNeverTearALine) {
  ConfigSandbox env;
  const std::string directory = (env.Root() / "logs").string();
  tavrpki::Logger logger;
  logger.Open(directory, "ukvt_1_");

  std::atomic<int> running{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&logger, &running, t] {
      for (int i = 0; i < kLinesPerThread; ++i) logger.Write(0, tavrpki::kLogInfo, kThreadLineFormat, t, i);
      --running;
    });
  }
  int cycles = 0;
  while (running > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    logger.Close();
    EXPECT_NO_THROW(logger.Open(directory, "ukvt_1_"));
    ++cycles;
  }
  for (auto& thread : threads) thread.join();
  logger.Close();
  EXPECT_GT(cycles, 0);

  const auto files = env.Files(directory);
  ASSERT_EQ(files.size(), 1u);
  // Lines written while the file was briefly closed are lost by design.
  EXPECT_GT(CountThreadLines(VerifiedLogContent(ConfigSandbox::ReadFile(files[0])), kThreads), 0);
}

TEST(OidTableConcurrency, ReadersSeeOneWholeTableOrTheOther) {
  ConfigSandbox env;
  env.WriteSystem("\"RootOID\"=\"1.2.804.2.1.1.1.1\"");
  tavrpki::BuildOidTable();
  const std::string kFirst = "1.2.804.2.1.1.1.1", kSecond = "1.3.6.1.4.1.99999.42";
  const std::string kSecondHive = (env.Root() / "second.reg").string();
  ConfigSandbox::WriteFile(kSecondHive, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\n\"RootOID\"=\"" + kSecond + "\"\n");
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

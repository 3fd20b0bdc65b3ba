// Kernels created, copied and destroyed on several threads while others log:
// every kernel opens and closes the one process-wide log, so this is where a
// torn line, an interleaving or a stale trailer would show. Also run under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/ConfigSandbox.h"
#include "support/LogCheck.h"
#include "core/Logger.h"
#include "core/OidTable.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki {
namespace {

constexpr int kLoggingThreads = 8;
constexpr int kLinesPerThread = 1000;

TEST(KernelConcurrency, KernelsComeAndGoWhileThreadsLog) {
  test::ConfigSandbox sandbox;
  sandbox.WriteSystem("\"RootOID\"=\"1.2.3\"");
  std::atomic<bool> start{false};
  std::vector<std::thread> threads;

  for (int t = 0; t < kLoggingThreads + 4; ++t) {  // the last four make kernels
    threads.emplace_back([&start, t] {
      while (!start) std::this_thread::yield();
      for (int i = 0; t < kLoggingThreads && i < kLinesPerThread; ++i)
        ProcessLogger().Write(0, kLogInfo, test::kThreadLineFormat, t, i);
      for (int i = 0; t >= kLoggingThreads && i < 40; ++i) {
        const Kernel::CKernel kernel = GetKernelInstance(), copy(kernel);
        EXPECT_EQ(GetOidRoot1(), "1.2.3.1");
      }
    });
  }
  start = true;
  for (std::thread& thread : threads) thread.join();
  ProcessLogger().Close();

  const auto files = sandbox.Files();
  ASSERT_EQ(files.size(), 1u);
  // The last close left a trailer that verifies; every line whole and in order.
  const std::string content = test::VerifiedLogContent(test::ConfigSandbox::ReadFile(files[0]));
  EXPECT_LE(test::CountThreadLines(content, kLoggingThreads), kLoggingThreads * kLinesPerThread);
}

}  // namespace
}  // namespace tavrpki

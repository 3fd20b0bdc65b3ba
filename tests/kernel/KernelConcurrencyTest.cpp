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
#include "kernel/CKernelHandleWrapper.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki {
namespace {

using test::ConfigSandbox;

constexpr int kLoggingThreads = 8;
constexpr int kLinesPerThread = 1000;
constexpr int kKernelThreads = 4;
constexpr int kKernelsPerThread = 40;

class Handle : public Kernel::CKernelHandleWrapper {
 public:
  using CKernelHandleWrapper::CKernelHandleWrapper;
  void* GetHandle() const override { return nullptr; }
  void SetHandle(void* const) override {}
};

TEST(KernelConcurrency, KernelsComeAndGoWhileThreadsLog) {
  ConfigSandbox sandbox;
  sandbox.WriteSystem("\"RootOID\"=\"1.2.3\"");
  std::atomic<bool> start{false};
  std::vector<std::thread> threads;

  for (int t = 0; t < kLoggingThreads; ++t) {
    threads.emplace_back([&start, t] {
      while (!start) std::this_thread::yield();
      for (int i = 0; i < kLinesPerThread; ++i)
        ProcessLogger().Write(0, kLogInfo, test::kThreadLineFormat, t, i);
    });
  }
  for (int t = 0; t < kKernelThreads; ++t) {
    threads.emplace_back([&start] {
      while (!start) std::this_thread::yield();
      for (int i = 0; i < kKernelsPerThread; ++i) {
        Kernel::CKernel kernel = GetKernelInstance();
        Handle handle(kernel);
        Kernel::CKernel copy = handle.GetKernel();
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
  const int lines = test::CountThreadLines(test::VerifiedLogContent(ConfigSandbox::ReadFile(files[0])),
                                           kLoggingThreads);
  EXPECT_LE(lines, kLoggingThreads * kLinesPerThread);
}

}  // namespace
}  // namespace tavrpki

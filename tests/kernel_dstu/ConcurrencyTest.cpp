// Eight threads signing with one kernel and one key pair: every signing reseeds
// the shared generator and draws from it under the kernel's lock, and every
// signature must verify.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "kernel_dstu/Fixtures.h"

namespace tavrpki::test {
namespace {

TEST(KernelDstuThreads, EightThreadsSignWithOneKernel) {
  ConfigSandbox sandbox;
  Kernel::CKernel kernel;
  const auto params = MakeParams(kernel, kCurve257, kCurve257);
  const Kernel::CKernelDoubleKeyPair keys = kernel.Generate4145DoubleKeyPair(params, false);
  constexpr int kThreads = 8, kSignaturesEach = 6;
  std::atomic<int> valid{0}, failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kSignaturesEach; ++i) {
        const auto hash = SomeHash(static_cast<unsigned char>(kSignaturesEach * t + i));
        try {
          if (Verifies(kernel, hash.data(), Sign(kernel, hash.data(), keys, params), keys)) ++valid;
        } catch (...) {
          ++failures;
        }
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(valid.load(), kThreads * kSignaturesEach);
}

}  // namespace
}  // namespace tavrpki::test

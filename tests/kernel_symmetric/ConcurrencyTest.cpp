// One kernel shared by eight threads that draw and reseed at once: every call must
// succeed, and the provider's lock must keep the generator whole. Kernels on
// several threads reseed at once through the process-wide entropy pool, past its
// rebuild. ThreadSanitizer runs these too.
#include <atomic>
#include <thread>
#include <vector>

#include "Fixture.h"

namespace tavrpki::test {
namespace {

class KernelRandomThreads : public KernelTest {};

TEST_F(KernelRandomThreads, EightThreadsDrawAndReseedOneKernel) {
  Kernel::CKernel kernel;
  kernel.InitRandom(nullptr, nullptr, nullptr);
  std::atomic<int> failures{0};
  std::vector<std::vector<unsigned char>> keys(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      try {
        for (int i = 0; i < 50; ++i) {
          if (t % 2 == 0 && i % 10 == 0) {
            if (t == 0)
              kernel.InitRandom(nullptr, nullptr, nullptr);
            else
              kernel.InitRandom(nullptr, std::vector<unsigned char>(32, 7).data(),
                                std::vector<unsigned char>(8, static_cast<unsigned char>(t)).data(), nullptr);
          }
          unsigned char out[48];
          kernel.GenerateRandom(sizeof out, out);
          unsigned char key[32];
          kernel.GenSymmetricKey(key);
          if (i == 49) keys[t].assign(key, key + 32);
        }
      } catch (...) {
        ++failures;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  // Draws are serialised: no two threads were handed the same last key.
  for (int a = 0; a < 8; ++a)
    for (int b = a + 1; b < 8; ++b) EXPECT_NE(keys[a], keys[b]) << a << " " << b;
}

TEST_F(KernelRandomThreads, KernelsOnFourThreadsReseedAtOnce) {
  constexpr int kThreads = 4, kReseeds = 300;  // 1200 draws from the pool: one rebuild at least
  std::atomic<int> failures{0};
  std::vector<std::vector<unsigned char>> last(kThreads, std::vector<unsigned char>(32));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      try {
        Kernel::CKernel kernel;
        for (int i = 0; i < kReseeds; ++i) kernel.InitRandom(nullptr, nullptr, nullptr);
        kernel.GenerateRandom(32, last[t].data());
      } catch (...) {
        ++failures;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  for (int a = 0; a < kThreads; ++a)
    for (int b = a + 1; b < kThreads; ++b) EXPECT_NE(last[a], last[b]) << a << " " << b;
}

}  // namespace
}  // namespace tavrpki::test

// One kernel shared by eight threads that draw and reseed at once, and kernels on
// four threads reseeding at once through the process-wide entropy pool, past its
// rebuild: every call succeeds and the generators stay whole (no two threads end
// on the same bytes). ThreadSanitizer runs these too.
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "Fixture.h"

namespace tavrpki::test {
namespace {

// Runs `body(t, last)` on `n` threads; none may throw, and their `last` bytes differ.
void RunThreads(int n, const std::function<void(int, Bytes&)>& body) {
  std::atomic<int> failures{0};
  std::vector<Bytes> last(n, Bytes(32));
  std::vector<std::thread> threads;
  for (int t = 0; t < n; ++t)
    threads.emplace_back([&, t] {
      try {
        body(t, last[t]);
      } catch (...) {
        ++failures;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  for (int a = 0; a < n; ++a)
    for (int b = a + 1; b < n; ++b) EXPECT_NE(last[a], last[b]) << a << " " << b;
}

TEST_F(KernelTest, EightThreadsDrawAndReseedOneKernel) {
  Kernel::CKernel kernel;
  kernel.InitRandom(nullptr, nullptr, nullptr);
  RunThreads(8, [&](int t, Bytes& last) {
    const Bytes key(32, 7), seed(8, static_cast<std::uint8_t>(t));
    for (int i = 0; i < 50; ++i) {
      if (i % 10 == 0 && t == 0) kernel.InitRandom(nullptr, nullptr, nullptr);
      if (i % 10 == 0 && t % 2 == 0 && t > 0) kernel.InitRandom(nullptr, key.data(), seed.data(), nullptr);
      Draw(kernel, 48);
      kernel.GenSymmetricKey(last.data());
    }
  });
}

TEST_F(KernelTest, KernelsOnFourThreadsReseedAtOnce) {
  RunThreads(4, [](int, Bytes& last) {
    Kernel::CKernel kernel;
    for (int i = 0; i < 300; ++i) kernel.InitRandom(nullptr, nullptr, nullptr);  // 1200 pool draws: a rebuild
    kernel.GenerateRandom(32, last.data());
  });
}

}  // namespace
}  // namespace tavrpki::test

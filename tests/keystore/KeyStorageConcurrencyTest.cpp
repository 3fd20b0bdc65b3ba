// The first use of a key storage link from several threads at once: the library
// is loaded and a manager made exactly once, and every thread gets that manager.
// Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "RecordingPlugin.h"
#include "keystore/CKeyStorageWrapper.h"
#include "support/ConfigSandbox.h"

namespace tavrpki {
namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 25;

TEST(KeyStorageConcurrency, ThreadsAskingFirstTogetherShareOneManager) {
  test::ConfigSandbox sandbox;
  sandbox.WriteSystem(test::PathValue(TAVRPKI_RECORDING_PLUGIN));
  for (int round = 0; round < kRounds; ++round) {
    CKeyStorageWrapper wrapper;
    std::atomic<int> ready{0};
    std::vector<KeyStorageManager*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        ++ready;
        while (ready < kThreads) std::this_thread::yield();
        seen[t] = &wrapper.Manager();
      });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(test::LiveManagers(), 1) << round;
    for (KeyStorageManager* manager : seen) EXPECT_EQ(manager, seen[0]) << round;
  }
  EXPECT_EQ(test::LiveManagers(), 0);
}

}  // namespace
}  // namespace tavrpki

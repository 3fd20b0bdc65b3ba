// The per-curve cache under concurrent first use: threads build engines for the
// same and for different curves at once (the kernel makes one per operation), sign
// and verify; every result must be right and ThreadSanitizer must stay quiet.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "gostcrypto/CryptoEngine.h"
#include "support/DstuCurves.h"

namespace tavrpki::test::dstu {
namespace {

using gostcrypto::CryptoEngine;
using longmath::LongInt;

TEST(DstuThreads, ConcurrentFirstUseOfTheCurveCache) {
  const char* oids[] = {"1.2.804.2.1.1.1.1.3.1.1.2.0", "1.2.804.2.1.1.1.1.3.1.1.2.6",
                        "1.2.804.2.1.1.1.1.3.1.2.2.0"};
  const CurveParams* params[3];
  for (int i = 0; i < 3; ++i) params[i] = &CurveByOid(oids[i]).params;  // read the file before the threads
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      const CurveParams& p = *params[t % 3];
      for (int round = 0; round < 3; ++round) {
        CryptoEngine engine;
        LoadCurve(engine, p);
        std::vector<std::uint8_t> random(128, static_cast<std::uint8_t>(17 * t + round + 1));
        const LongInt d = engine.GetPrivateKey(Value(random, p.m));
        LongInt x, y;
        engine.GetPublicKey(d, x, y);
        LongInt hash(256);
        random[0] ^= 0x5A;
        const LongInt sig = engine.Sign(hash, d, Value(random, p.m));
        if (engine.CheckSign(hash, sig, x, y) && engine.CheckPublicKey(x, y)) ++good;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(good.load(), 18);
}

}  // namespace
}  // namespace tavrpki::test::dstu

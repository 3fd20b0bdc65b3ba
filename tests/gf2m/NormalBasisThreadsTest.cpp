// The normal-basis maps are built lazily and shared: first use from many threads at
// once must build each map exactly once and hand every thread the same one.
#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

#include "gostcrypto/gf2m/Field.h"
#include "gostcrypto/gf2m/NormalBasis.h"

namespace {

using gostcrypto::gf2m::CpuPath;
using gostcrypto::gf2m::NormalBasisMap;
using gostcrypto::gf2m::PolyField;

TEST(Gf2mNormalBasisThreads, FirstUseFromManyThreads) {
  constexpr std::array<unsigned, 5> kDegrees{173, 179, 191, 233, 431};
  constexpr int kThreads = 6;
  std::array<std::array<const NormalBasisMap*, kDegrees.size()>, kThreads> seen{};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t i = 0; i < kDegrees.size(); ++i) {
        const std::size_t d = (i + static_cast<std::size_t>(t)) % kDegrees.size();
        seen[t][d] = &NormalBasisMap::For(kDegrees[d]);
      }
      // Use one map while others may still be building theirs.
      const PolyField<CpuPath::kPortable, 233, 1, 4, 9> f;
      PolyField<CpuPath::kPortable, 233, 1, 4, 9>::Element ones{}, pb;
      for (unsigned i = 0; i < 233; ++i) ones[i / 64] |= std::uint64_t{1} << (i % 64);
      seen[t][3]->ToPoly(f, pb, ones);
      EXPECT_TRUE(f.Equal(pb, f.One())) << "thread " << t;
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(seen[t], seen[0]) << "thread " << t;
}

}  // namespace

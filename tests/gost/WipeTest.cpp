// The secret buffer of the project: every block a SecretVector frees, on growth,
// shrinking or death, holds only zeros by the time it goes back to the heap. An
// observer stands in the allocator's upstream place and copies each block as it
// is handed back, so nothing reads freed memory (the check holds under ASan).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "gostcrypto/Wipe.h"

namespace {

// Blocks as they were when returned: all of them, in order.
std::vector<std::vector<std::uint8_t>>& Returned() {
  static std::vector<std::vector<std::uint8_t>> blocks;
  return blocks;
}

template <typename T>
struct Observer {
  using value_type = T;
  Observer() noexcept = default;
  template <typename U>
  Observer(const Observer<U>&) noexcept {}
  T* allocate(std::size_t n) { return std::allocator<T>{}.allocate(n); }
  void deallocate(T* p, std::size_t n) noexcept {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(p);
    Returned().emplace_back(bytes, bytes + n * sizeof(T));
    std::allocator<T>{}.deallocate(p, n);
  }
};

using Observed = std::vector<std::uint8_t, tavrpki::WipingAllocator<std::uint8_t, Observer<std::uint8_t>>>;

bool AllZero(const std::vector<std::uint8_t>& block) {
  return std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0; });
}

TEST(SecretVector, EveryFreedBlockIsWiped) {
  static_assert(std::is_same_v<tavrpki::SecretVector::allocator_type, tavrpki::WipingAllocator<std::uint8_t>>);
  Returned().clear();
  {
    Observed secret(16, 0xA5);
    for (int i = 0; i < 200; ++i) secret.push_back(static_cast<std::uint8_t>(i | 1));  // several growths
    Observed copy = secret;
    copy.resize(4);
    copy.shrink_to_fit();  // a smaller block; the old one goes back
    Observed moved = std::move(secret);
    EXPECT_EQ(moved.size(), 216u);
  }
  ASSERT_GE(Returned().size(), 4u);  // the growths, the shrink, and the two that died
  std::size_t bytes = 0;
  for (const auto& block : Returned()) {
    EXPECT_TRUE(AllZero(block)) << "a block of " << block.size() << " bytes went back unwiped";
    bytes += block.size();
  }
  EXPECT_GE(bytes, 216u + 4u);
}

// Without the wiping layer the same observer sees the secret bytes: the check
// above is not vacuous.
TEST(SecretVector, ObserverSeesWhatAPlainVectorLeavesBehind) {
  Returned().clear();
  { std::vector<std::uint8_t, Observer<std::uint8_t>> plain(32, 0xA5); }
  ASSERT_EQ(Returned().size(), 1u);
  EXPECT_FALSE(AllZero(Returned().front()));
}

}  // namespace

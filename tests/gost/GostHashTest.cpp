// GOST 34.311-95 through gostcrypto::HashEngine: every known answer one-shot, byte by
// byte and in random pieces, each piece on a copied context, on every CPU path and with both
// input kinds (each pair runs its own kernel: tables, constant-time shifts or permutes).
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <tuple>

#include "GostTestSupport.h"
#include "gostcrypto/HashEngine.h"

namespace tavrpki::test {
namespace {

using gostcrypto::HashEngine;

Bytes Message(const Vector& v) {
  if (v.Has("In")) return v.Bytes("In");
  if (v.Has("Count")) return Bytes(std::stoul(v.Get("Count")), v.Bytes("Repeat").at(0));
  Bytes m(std::stoul(v.Get("Sequence")));
  std::iota(m.begin(), m.end(), std::uint8_t{0});
  return m;
}

// Feeds `m` in pieces, each on a copy of the engine the previous piece left.
std::string Hash(HashEngine engine, const Bytes& m, const std::vector<std::size_t>& pieces) {
  std::size_t at = 0;
  for (std::size_t n : pieces) {
    HashEngine next(engine);
    next.CalculateHash(m.data() + at, n);
    engine = next;
    at += n;
  }
  unsigned char out[32];
  engine.Done(out);
  return ToHex(out, 32);
}

class HashVectors : public ::testing::TestWithParam<std::tuple<CpuPath, HashEngine::Input>> {};

TEST_P(HashVectors, EveryVectorEveryWay) {
  gostcrypto::ScopedCpuPath path(std::get<0>(GetParam()));
  for (const Vector& v : ReadVectorFile("gost34311.vec")) {
    SCOPED_TRACE(v.Where() + " " + v.Get("Name"));
    const Bytes sbox = SBoxByName(v.Get("SBox")), start = v.Has("Start") ? v.Bytes("Start") : Bytes{}, m = Message(v);
    const std::string expected = ToHex(v.Bytes("Hash"));
    const HashEngine fresh(sbox.data(), OrNull(start), std::get<1>(GetParam()));
    std::vector<std::vector<std::size_t>> ways{{m.size()}};
    if (m.size() <= 4096) ways.emplace_back(m.size(), 1);
    for (std::uint32_t seed = 1; seed <= 3; ++seed) ways.push_back(RandomPieces(m.size(), seed));
    for (const auto& pieces : ways) EXPECT_EQ(Hash(fresh, m, pieces), expected);
    v.ExpectAllUsed();
  }
}

// Each path and input kind runs its own kernel: tables, constant-time shifts or permutes.
INSTANTIATE_TEST_SUITE_P(Kernels, HashVectors,
                         ::testing::Combine(::testing::ValuesIn(AllPaths()),
                                            ::testing::Values(HashEngine::Input::kPublic, HashEngine::Input::kSecret)));

// Several messages hashed side by side give what each gives alone: counts around the
// kernel's four, lengths that start and end inside a block, both input kinds (only
// secret input runs side by side) and a group whose buffers differ (one by one).
TEST(HashEngine, SideBySideEqualsOneByOne) {
  std::mt19937 random(7);
  const Bytes sbox = SBoxByName("dke");
  for (CpuPath cpu : AllPaths()) {
    gostcrypto::ScopedCpuPath path(cpu);
    for (std::size_t count : {1, 2, 4, 6, 9})
      for (auto input : {HashEngine::Input::kSecret, HashEngine::Input::kPublic}) {
        const std::size_t head = random() % 40, length = random() % 700;
        std::vector<Bytes> messages(count);
        std::vector<HashEngine> engines;
        std::vector<HashEngine*> pointers;
        std::vector<const unsigned char*> data;
        for (std::size_t i = 0; i < count; ++i) {
          // The last of six is one byte ahead of the others.
          const std::size_t ahead = head + (count == 6 && i == 5 ? 1 : 0);
          messages[i].resize(ahead + length);
          for (auto& b : messages[i]) b = static_cast<std::uint8_t>(random());
          engines.emplace_back(sbox.data(), nullptr, input);
          engines.back().CalculateHash(messages[i].data(), ahead);
          data.push_back(messages[i].data() + ahead);
        }
        for (auto& e : engines) pointers.push_back(&e);
        HashEngine::CalculateHashes(pointers.data(), data.data(), count, static_cast<unsigned long>(length));
        for (std::size_t i = 0; i < count; ++i) {
          SCOPED_TRACE(std::to_string(count) + " messages, " + std::to_string(head) + " + " + std::to_string(length));
          EXPECT_EQ(Hash(engines[i], {}, {}), Hash(HashEngine(sbox.data(), nullptr), messages[i], {messages[i].size()}));
        }
      }
  }
}

TEST(HashEngine, NullTableIsDkeNo1NullStartIsZeroAndFinishedEnginesRefuseMore) {
  const Bytes dke = SBoxByName("dke"), zero(32, 0), m{'a', 'b', 'c'};
  HashEngine a(nullptr, nullptr), b(dke.data(), zero.data());
  EXPECT_EQ(Hash(a, m, {3}), Hash(b, m, {3}));
  // A finished engine refuses more.
  unsigned char out[32];
  a.Done(out);
  EXPECT_EQ(CryptoCode([&] { a.Done(out); }), HashEngine::kFinished);
  EXPECT_EQ(CryptoCode([&] { a.CalculateHash(out, 1); }), HashEngine::kFinished);
  // ... also among others, which are left as they were.
  const std::string before = Hash(b, m, {3});
  HashEngine* engines[] = {&b, &a};
  const unsigned char* data[] = {out, out};
  EXPECT_EQ(CryptoCode([&] { HashEngine::CalculateHashes(engines, data, 2, 1); }), HashEngine::kFinished);
  EXPECT_EQ(Hash(b, m, {3}), before);
}

}  // namespace
}  // namespace tavrpki::test

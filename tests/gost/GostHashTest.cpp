// GOST 34.311-95 through gostcrypto::HashEngine: every known answer one-shot, byte by
// byte and in random pieces, each piece on a copied context, on every CPU path and with both
// input kinds (each pair runs its own kernel: tables, constant-time shifts or permutes).
#include <gtest/gtest.h>

#include <numeric>
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

TEST(HashEngine, NullTableIsDkeNo1NullStartIsZeroAndFinishedEnginesRefuseMore) {
  const Bytes dke = SBoxByName("dke"), zero(32, 0), m{'a', 'b', 'c'};
  HashEngine a(nullptr, nullptr), b(dke.data(), zero.data());
  EXPECT_EQ(Hash(a, m, {3}), Hash(b, m, {3}));
  // A finished engine refuses more.
  unsigned char out[32];
  a.Done(out);
  EXPECT_EQ(CryptoCode([&] { a.Done(out); }), HashEngine::kFinished);
  EXPECT_EQ(CryptoCode([&] { a.CalculateHash(out, 1); }), HashEngine::kFinished);
}

}  // namespace
}  // namespace tavrpki::test

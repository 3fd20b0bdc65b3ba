// GOST 34.311-95 through gostcrypto::HashEngine: every known answer one-shot, byte by
// byte and in random pieces, each piece on a copied context, on every CPU path and with both
// input kinds (each pair runs its own kernel: tables, constant-time shifts or permutes).
#include <gtest/gtest.h>

#include "GostTestSupport.h"
#include "gostcrypto/HashEngine.h"

namespace tavrpki::test {
namespace {

using gostcrypto::HashEngine;
using Bytes = std::vector<std::uint8_t>;

Bytes Message(const Vector& v) {
  if (v.Has("In")) return v.Bytes("In");
  if (v.Has("Sequence")) {
    Bytes m(std::stoul(v.Get("Sequence")));
    for (std::size_t i = 0; i < m.size(); ++i) m[i] = static_cast<std::uint8_t>(i);
    return m;
  }
  return Bytes(std::stoul(v.Get("Count")), v.Bytes("Repeat").at(0));
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

struct Kernel {
  CpuPath path;
  HashEngine::Input input;
};

std::vector<Kernel> AllKernels() {
  std::vector<Kernel> kernels;
  for (CpuPath path : AllPaths())
    for (auto input : {HashEngine::Input::kPublic, HashEngine::Input::kSecret}) kernels.push_back({path, input});
  return kernels;
}

class HashVectors : public ::testing::TestWithParam<Kernel> {};

TEST_P(HashVectors, EveryVectorEveryWay) {
  gostcrypto::detail::ScopedCpuPath path(GetParam().path);
  for (const Vector& v : ReadVectorFile("gost34311.vec")) {
    SCOPED_TRACE(v.Where() + " " + v.Get("Name"));
    const Bytes sbox = SBoxByName(v.Get("SBox"));
    const Bytes start = v.Has("Start") ? v.Bytes("Start") : Bytes{};
    const Bytes m = Message(v);
    const std::string expected = ToHex(v.Bytes("Hash"));
    const HashEngine fresh(sbox.data(), OrNull(start), GetParam().input);
    std::vector<std::vector<std::size_t>> ways{{m.size()}};
    if (m.size() <= 4096) ways.emplace_back(m.size(), 1);
    for (std::uint32_t seed = 1; seed <= 3; ++seed) ways.push_back(RandomPieces(m.size(), seed));
    for (const auto& pieces : ways) EXPECT_EQ(Hash(fresh, m, pieces), expected);
    v.ExpectAllUsed();
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, HashVectors, ::testing::ValuesIn(AllKernels()), [](const auto& info) {
  return std::string(gostcrypto::detail::CpuPathName(info.param.path)) +
         (info.param.input == HashEngine::Input::kSecret ? "_secret" : "_public");
});

TEST(HashEngine, NullTableIsDkeNo1AndNullStartIsZero) {
  const Bytes dke = SBoxByName("dke"), zero(32, 0), m{'a', 'b', 'c'};
  HashEngine a(nullptr, nullptr), b(dke.data(), zero.data());
  EXPECT_EQ(Hash(a, m, {3}), Hash(b, m, {3}));
}

TEST(HashEngine, FinishedEngineRefusesMore) {
  HashEngine engine(nullptr, nullptr);
  unsigned char out[32];
  engine.Done(out);
  EXPECT_EQ(CryptoCode([&] { engine.Done(out); }), HashEngine::kFinished);
  EXPECT_EQ(CryptoCode([&] { engine.CalculateHash(out, 1); }), HashEngine::kFinished);
}

}  // namespace
}  // namespace tavrpki::test

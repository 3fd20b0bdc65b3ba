// The random generator: known answers of both constructors (computed by the separate
// model tests/data/gost_random_ref.py) byte by byte, in chunks and through copies
// taken part-way, the refusals, and the entropy collector.
#include <gtest/gtest.h>

#include "GostTestSupport.h"
#include "gostcrypto/EntropyCollect.h"
#include "gostcrypto/RndEngine.h"

namespace tavrpki::test {
namespace {

using gostcrypto::RndEngine;

Bytes OptionalBytes(const Vector& v, const std::string& key) {
  return v.Get(key) == "none" ? Bytes{} : v.Bytes(key);
}

RndEngine Make(const Vector& v, Bytes& sbox) {
  sbox = SBoxByName(v.Get("SBox"));
  const Bytes seed = v.Bytes("Seed");
  if (v.section == "Keyed") {
    const Bytes key = v.Bytes("Key"), extra = OptionalBytes(v, "Extra");
    return RndEngine(OrNull(sbox), key.data(), seed.data(), OrNull(extra));
  }
  Bytes entropy(std::stoul(v.Get("EntropyLength")));
  for (std::size_t i = 0; i < entropy.size(); ++i) entropy[i] = static_cast<std::uint8_t>((7 * i + 3) % 256);
  const Bytes hashSBox = SBoxByName(v.Get("HashSBox")), start = OptionalBytes(v, "HashStart");
  return RndEngine(entropy.data(), static_cast<unsigned long>(entropy.size()), OrNull(hashSBox), OrNull(start),
                   seed.data(), OrNull(sbox));
}

class RandomVectors : public ::testing::TestWithParam<CpuPath> {};

TEST_P(RandomVectors, KnownAnswersByteByByteInChunksAndThroughCopies) {
  gostcrypto::ScopedCpuPath path(GetParam());
  for (const Vector& v : ReadVectorFile("gost_random.vec")) {
    SCOPED_TRACE(v.Where());
    const std::string expected = ToHex(v.Bytes("Out"));
    Bytes sbox, out(expected.size() / 2);
    RndEngine single = Make(v, sbox), chunked = Make(v, sbox);
    for (auto& b : out) b = single.GenerateByte();
    EXPECT_EQ(ToHex(out), expected);
    std::size_t at = 0;
    for (std::size_t piece : RandomPieces(out.size(), 5)) {
      chunked.Generate(out.data() + at, piece);
      at += piece;
    }
    EXPECT_EQ(ToHex(out), expected);
    // A copy and an assigned engine taken part-way go on with the same bytes.
    RndEngine original = Make(v, sbox);
    original.Generate(out.data(), out.size() / 2);
    RndEngine copy(original), assigned = Make(v, sbox);
    assigned = original;
    for (RndEngine* engine : {&original, &copy, &assigned}) {
      engine->Generate(out.data() + out.size() / 2, out.size() - out.size() / 2);
      EXPECT_EQ(ToHex(out), expected);
    }
    v.ExpectAllUsed();
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, RandomVectors, ::testing::ValuesIn(AllPaths()),
                         [](const auto& info) { return gostcrypto::PathName(info.param); });

TEST(RndEngine, RefusesMissingInputsAndCollectsFreshEntropy) {
  const Bytes key(32, 1), seed(8, 2), entropy(1024, 3);
  constexpr int kMissing = RndEngine::kMissingInput;
  EXPECT_EQ(CryptoCode([&] { RndEngine(nullptr, nullptr, seed.data(), nullptr); }), kMissing);
  EXPECT_EQ(CryptoCode([&] { RndEngine(nullptr, key.data(), nullptr, nullptr); }), kMissing);
  EXPECT_EQ(CryptoCode([&] { RndEngine(nullptr, 1024, nullptr, nullptr, seed.data(), nullptr); }), kMissing);
  EXPECT_EQ(CryptoCode([&] { RndEngine(entropy.data(), 31, nullptr, nullptr, seed.data(), nullptr); }), kMissing);
  EXPECT_EQ(CryptoCode([&] { RndEngine(entropy.data(), 1024, nullptr, nullptr, nullptr, nullptr); }), kMissing);
  // The entropy collector fills fresh buffers and checks its arguments.
  Bytes a(1024), b(1024);
  EXPECT_EQ(gostcrypto::TAVRCLCRNGEntropyDataCollect(a.data(), nullptr, nullptr, 0, 0), 0);
  EXPECT_EQ(gostcrypto::TAVRCLCRNGEntropyDataCollect(b.data(), nullptr, nullptr, 0, 0), 0);
  EXPECT_NE(a, b);
  EXPECT_NE(a, Bytes(1024, 0));
  EXPECT_EQ(gostcrypto::TAVRCLCRNGEntropyDataCollect(nullptr, nullptr, nullptr, 0, 0), 2);
  EXPECT_EQ(gostcrypto::TAVRCLCRNGEntropyDataCollect(a.data(), nullptr, nullptr, 1, 0), 2);
}

}  // namespace
}  // namespace tavrpki::test

// GOST 28147-89 through gostcrypto::SCryptoEngine: every known answer in every way a
// caller can feed it, on every CPU path; then the many-block kernels against the
// single-block cipher over lengths that cross their internal group sizes.
#include <gtest/gtest.h>

#include <cstring>

#include "GostTestSupport.h"
#include "crypto/core/gost/Bulk.h"
#include "gostcrypto/SCryptoEngine.h"

namespace tavrpki::test {
namespace {

using gostcrypto::SCryptoEngine;
using Bytes = std::vector<std::uint8_t>;

int ModeOf(const std::string& section) {
  if (section == "Ecb") return gostcrypto::kSimpleReplacement;
  if (section == "Ctr") return gostcrypto::kGamming;
  if (section == "Cfb") return gostcrypto::kGammingFeedback;
  return gostcrypto::kImitovstavka;
}

// Feeds `data` in pieces of whole blocks (sizes in blocks); a partial last block is
// zero-padded and its output truncated, as the kernel does.
Bytes Feed(SCryptoEngine& engine, const Bytes& data, const std::vector<std::size_t>& blockPieces) {
  Bytes out(data.size());
  std::size_t at = 0;
  for (std::size_t blocks : blockPieces) {
    engine.makeTransform(data.data() + at, out.data() + at, blocks);
    at += 8 * blocks;
  }
  if (at < data.size()) {
    unsigned char block[8] = {};
    std::memcpy(block, data.data() + at, data.size() - at);
    engine.makeTransform(block, block, 1);
    std::memcpy(out.data() + at, block, data.size() - at);
  }
  return out;
}

std::vector<std::size_t> OneShot(const Bytes& data) { return {data.size() / 8}; }
std::vector<std::size_t> BlockByBlock(const Bytes& data) { return std::vector<std::size_t>(data.size() / 8, 1); }

class CipherVectors : public ::testing::TestWithParam<CpuPath> {};

TEST_P(CipherVectors, EveryVectorEveryWay) {
  gostcrypto::detail::ScopedCpuPath path(GetParam());
  for (const Vector& v : ReadVectorFile("gost28147.vec")) {
    SCOPED_TRACE(v.Where());
    const Bytes sbox = SBoxByName(v.Get("SBox"));
    const Bytes key = v.Bytes("Key");
    const Bytes iv = v.Has("IV") ? v.Bytes("IV") : Bytes{};
    const Bytes in = v.Bytes("In");
    const int mode = ModeOf(v.section);
    auto make = [&](bool encrypt) { return SCryptoEngine(sbox.data(), encrypt, mode, key.data(), OrNull(iv)); };

    if (mode == gostcrypto::kImitovstavka) {
      Bytes padded = in;
      padded.resize((in.size() + 7) / 8 * 8, 0);
      const Bytes expected = v.Bytes("Mac");
      // The zero-extended value of other implementations is deliberately not ours.
      if (v.Has("MacZeroExtended")) {
        EXPECT_NE(ToHex(v.Bytes("MacZeroExtended")), ToHex(expected));
      }
      for (const auto& pieces : {OneShot(padded), BlockByBlock(padded)}) {
        SCryptoEngine engine = make(true);
        Feed(engine, padded, pieces);
        unsigned char mac[4];
        engine.GetMac(mac);
        EXPECT_EQ(ToHex(mac, 4), ToHex(expected));
      }
      SCryptoEngine first = make(true);
      first.makeTransform(padded.data(), nullptr, 1);
      SCryptoEngine copy(first);
      copy.makeTransform(padded.data() + 8, nullptr, padded.size() / 8 - 1);
      unsigned char mac[4];
      copy.GetMac(mac);
      EXPECT_EQ(ToHex(mac, 4), ToHex(expected)) << "copied context";
      v.ExpectAllUsed();
      continue;
    }

    const Bytes expected = v.Bytes("Out");
    std::vector<std::vector<std::size_t>> ways{OneShot(in), BlockByBlock(in)};
    for (std::uint32_t seed = 1; seed <= 3; ++seed) ways.push_back(RandomPieces(in.size() / 8, seed));
    for (const auto& pieces : ways) {
      SCryptoEngine encrypt = make(true);
      EXPECT_EQ(ToHex(Feed(encrypt, in, pieces)), ToHex(expected));
      SCryptoEngine decrypt = make(false);
      EXPECT_EQ(ToHex(Feed(decrypt, expected, pieces)), ToHex(in));
    }
    if (in.size() >= 16) {
      // A copy taken after the first block continues the same chain.
      SCryptoEngine first = make(true);
      Bytes out(in.size());
      first.makeTransform(in.data(), out.data(), 1);
      SCryptoEngine copy(first);
      const Bytes rest(in.begin() + 8, in.end());
      const Bytes tail = Feed(copy, rest, OneShot(rest));
      std::copy(tail.begin(), tail.end(), out.begin() + 8);
      EXPECT_EQ(ToHex(out), ToHex(expected)) << "copied context";
    }
    v.ExpectAllUsed();
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, CipherVectors, ::testing::ValuesIn(AllPaths()),
                         [](const auto& info) { return gostcrypto::detail::CpuPathName(info.param); });

// The many-block kernels must agree with the single-block cipher on every length,
// in place and out of place: CTR gamma i = E(counter i), CFB C_i = P_i ^ E(C_{i-1}).
TEST(CipherKernels, AgreeWithSingleBlocksOnEveryPathAndLength) {
  const Bytes sbox = SBoxByName("dke");
  Bytes key(32), iv(8);
  std::mt19937 rng(7);
  for (auto& b : key) b = static_cast<std::uint8_t>(rng());
  for (auto& b : iv) b = static_cast<std::uint8_t>(rng());
  auto ecb1 = [&](const unsigned char* block, unsigned char* out) {
    // One block on the portable path runs the plain single-block rounds.
    gostcrypto::detail::ScopedCpuPath portable(CpuPath::kPortable);
    SCryptoEngine e(sbox.data(), true, gostcrypto::kSimpleReplacement, key.data(), nullptr);
    e.makeTransform(block, out, 1);
  };
  for (std::size_t blocks : {1u, 3u, 4u, 5u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 65u, 130u, 1000u}) {
    SCOPED_TRACE(blocks);
    Bytes plain(8 * blocks);
    for (auto& b : plain) b = static_cast<std::uint8_t>(rng());

    // Expected values built block by block.
    Bytes ctr(plain.size()), cfb(plain.size()), ecb(plain.size());
    unsigned char s[8];
    ecb1(iv.data(), s);
    std::uint32_t n3, n4;
    std::memcpy(&n3, s, 4);
    std::memcpy(&n4, s + 4, 4);
    unsigned char prev[8];
    std::memcpy(prev, iv.data(), 8);
    for (std::size_t i = 0; i < blocks; ++i) {
      n3 += 0x01010101u;
      const std::uint64_t sum = static_cast<std::uint64_t>(n4) + 0x01010104u;
      n4 = static_cast<std::uint32_t>(sum) + static_cast<std::uint32_t>(sum >> 32);
      unsigned char counter[8], gamma[8];
      std::memcpy(counter, &n3, 4);
      std::memcpy(counter + 4, &n4, 4);
      ecb1(counter, gamma);
      for (int j = 0; j < 8; ++j) ctr[8 * i + j] = plain[8 * i + j] ^ gamma[j];
      ecb1(prev, gamma);
      for (int j = 0; j < 8; ++j) cfb[8 * i + j] = prev[j] = plain[8 * i + j] ^ gamma[j];
      ecb1(plain.data() + 8 * i, ecb.data() + 8 * i);
    }

    for (CpuPath p : AllPaths()) {
      gostcrypto::detail::ScopedCpuPath path(p);
      SCOPED_TRACE(gostcrypto::detail::CpuPathName(p));
      auto run = [&](int mode, bool encrypt, const Bytes& in, bool inPlace) {
        SCryptoEngine e(sbox.data(), encrypt, mode, key.data(), iv.data());
        Bytes out = in;
        e.makeTransform(inPlace ? out.data() : in.data(), out.data(), blocks);
        return out;
      };
      for (bool inPlace : {false, true}) {
        EXPECT_EQ(run(gostcrypto::kSimpleReplacement, true, plain, inPlace), ecb);
        EXPECT_EQ(run(gostcrypto::kSimpleReplacement, false, ecb, inPlace), plain);
        EXPECT_EQ(run(gostcrypto::kGamming, true, plain, inPlace), ctr);
        EXPECT_EQ(run(gostcrypto::kGammingFeedback, true, plain, inPlace), cfb);
        EXPECT_EQ(run(gostcrypto::kGammingFeedback, false, cfb, inPlace), plain);
      }
    }
  }
}

// Every kernel set against the constant-time scalar one, called directly, for every
// block count up to a little past three 32-block groups, under a random S-box (so a
// row used for the wrong nibble shows): outputs and the chaining state they leave.
TEST(CipherKernels, EverySetAgreesWithTheScalarKernelsOnEveryCount) {
  namespace d = gostcrypto::detail;
  std::mt19937 rng(11);
  unsigned char entries[128];
  for (auto& e : entries) e = static_cast<unsigned char>(rng() & 15);
  d::SBox box;
  d::ExpandSBox(entries, box);
  std::uint32_t key[8];
  for (auto& k : key) k = static_cast<std::uint32_t>(rng());
  const d::BulkOps& reference = d::PortableConstantTimeOps();
  std::vector<const d::BulkOps*> sets{&d::PortableTableOps()};
  for (CpuPath p : AllPaths()) sets.push_back(&d::OpsFor(p));

  constexpr std::size_t kMax = 100;
  Bytes data(8 * kMax);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  const unsigned char iv[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  // Runs one kernel of `ops` on the first `blocks` blocks; the chaining state follows
  // the output.
  auto run = [&](const d::BulkOps& ops, int kernel, std::size_t blocks, bool inPlace) {
    Bytes out(8 * blocks + 8, 0xEE);  // the spare block must stay untouched
    std::memcpy(out.data(), data.data(), 8 * blocks);
    const unsigned char* in = inPlace ? out.data() : data.data();
    unsigned char feedback[8];
    std::memcpy(feedback, iv, 8);
    std::uint32_t n3 = 0xFFFFFFF0u, n4 = 0xFEFEFEFAu;  // both counters about to wrap
    switch (kernel) {
      case 0: ops.ecbEncrypt(box, key, in, out.data(), blocks); break;
      case 1: ops.ecbDecrypt(box, key, in, out.data(), blocks); break;
      case 2: ops.ctr(box, key, n3, n4, in, out.data(), blocks); break;
      case 3: ops.cfbDecrypt(box, key, feedback, in, out.data(), blocks); break;
      default: ops.cfbEncrypt(box, key, feedback, in, out.data(), blocks); break;
    }
    out.insert(out.end(), feedback, feedback + 8);
    for (std::uint32_t w : {n3, n4})
      for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    return out;
  };
  for (const d::BulkOps* ops : sets) {
    SCOPED_TRACE(ops->name);
    for (int kernel = 0; kernel < 5; ++kernel)
      for (std::size_t blocks = 0; blocks <= kMax; ++blocks)
        for (bool inPlace : {false, true})
          ASSERT_EQ(run(*ops, kernel, blocks, inPlace), run(reference, kernel, blocks, false))
              << "kernel " << kernel << ", " << blocks << " blocks" << (inPlace ? ", in place" : "");
  }
}

TEST(CipherEngine, NullVectorMeansZeroVector) {
  const Bytes key(32, 0x11), plain(24, 0x5A), zero(8, 0);
  for (int mode : {gostcrypto::kGamming, gostcrypto::kGammingFeedback}) {
    SCryptoEngine a(nullptr, true, mode, key.data(), nullptr), b(nullptr, true, mode, key.data(), zero.data());
    Bytes outA(24), outB(24);
    a.makeTransform(plain.data(), outA.data(), 3);
    b.makeTransform(plain.data(), outB.data(), 3);
    EXPECT_EQ(outA, outB);
  }
}

TEST(CipherEngine, RejectsMissingKeyUnknownModeAndMacOutsideMacMode) {
  const Bytes key(32, 1);
  EXPECT_EQ(CryptoCode([&] { SCryptoEngine(nullptr, true, gostcrypto::kGamming, nullptr, nullptr); }),
            SCryptoEngine::kBadArgument);
  EXPECT_EQ(CryptoCode([&] { SCryptoEngine(nullptr, true, 4, key.data(), nullptr); }), SCryptoEngine::kBadArgument);
  EXPECT_EQ(CryptoCode([&] { SCryptoEngine(nullptr, true, -1, key.data(), nullptr); }), SCryptoEngine::kBadArgument);
  EXPECT_EQ(CryptoCode([&] {
              SCryptoEngine e(nullptr, true, gostcrypto::kSimpleReplacement, key.data(), nullptr);
              unsigned char mac[4];
              e.GetMac(mac);
            }),
            SCryptoEngine::kBadArgument);
}

}  // namespace
}  // namespace tavrpki::test

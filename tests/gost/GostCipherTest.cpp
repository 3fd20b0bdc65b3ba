// GOST 28147-89 through gostcrypto::SCryptoEngine: every known answer in every way a
// caller can feed it, on every CPU path; then every many-block kernel set against the
// constant-time scalar one over counts that cross their internal group sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <numeric>
#include <random>
#include <span>

#include "GostTestSupport.h"
#include "gostcrypto/gost/Bulk.h"
#include "gostcrypto/SCryptoEngine.h"

namespace tavrpki::test {
namespace {

using gostcrypto::SCryptoEngine;
namespace d = gostcrypto::detail;

const std::map<std::string, int> kModeOf{{"Ecb", gostcrypto::kSimpleReplacement}, {"Ctr", gostcrypto::kGamming},
                                         {"Cfb", gostcrypto::kGammingFeedback}, {"Mac", gostcrypto::kImitovstavka}};

// Feeds `data` in pieces of whole blocks (sizes in blocks), each piece on a copy of
// the engine the previous piece left; a partial last block is zero-padded and its
// output truncated, as the kernel does. In MAC mode the answer is the MAC.
Bytes Feed(const SCryptoEngine& previous, std::span<const std::uint8_t> data, std::span<const std::size_t> pieces,
           bool mac) {
  SCryptoEngine engine(previous);
  if (pieces.empty()) {
    Bytes block(8, 0);
    std::copy(data.begin(), data.end(), block.begin());
    if (!data.empty()) engine.makeTransform(block.data(), block.data(), 1);
    if (mac) engine.GetMac(block.data());
    block.resize(mac ? 4 : data.size());
    return block;
  }
  Bytes out(8 * pieces[0]);
  engine.makeTransform(data.data(), out.data(), pieces[0]);
  const Bytes rest = Feed(engine, data.subspan(out.size()), pieces.subspan(1), mac);
  if (mac) return rest;
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

class CipherVectors : public ::testing::TestWithParam<CpuPath> {};

TEST_P(CipherVectors, EveryVectorEveryWay) {
  gostcrypto::ScopedCpuPath path(GetParam());
  for (const Vector& v : ReadVectorFile("gost28147.vec")) {
    SCOPED_TRACE(v.Where());
    const Bytes sbox = SBoxByName(v.Get("SBox")), key = v.Bytes("Key");
    const Bytes iv = v.Has("IV") ? v.Bytes("IV") : Bytes{};
    const int mode = kModeOf.at(v.section);
    const bool mac = mode == gostcrypto::kImitovstavka;
    Bytes in = v.Bytes("In");
    if (mac) in.resize((in.size() + 7) / 8 * 8, 0);
    const Bytes expected = v.Bytes(mac ? "Mac" : "Out");
    // The zero-extended value of other implementations is deliberately not ours.
    EXPECT_NE(v.Has("MacZeroExtended") ? ToHex(v.Bytes("MacZeroExtended")) : "", ToHex(expected));
    auto make = [&](bool encrypt) { return SCryptoEngine(sbox.data(), encrypt, mode, key.data(), OrNull(iv)); };
    std::vector<std::vector<std::size_t>> ways{{in.size() / 8}, std::vector<std::size_t>(in.size() / 8, 1)};
    for (std::uint32_t seed = 1; seed <= 3; ++seed) ways.push_back(RandomPieces(in.size() / 8, seed));
    for (const auto& pieces : ways) {
      EXPECT_EQ(ToHex(Feed(make(true), in, pieces, mac)), ToHex(expected));
      if (mac) continue;
      EXPECT_EQ(ToHex(Feed(make(false), expected, pieces, mac)), ToHex(in));
    }
    v.ExpectAllUsed();
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, CipherVectors, ::testing::ValuesIn(AllPaths()),
                         [](const auto& info) { return gostcrypto::PathName(info.param); });

// Every kernel set against the constant-time scalar one, called directly, for every
// block count up to a little past three 32-block groups, under a random S-box (so a
// row used for the wrong nibble shows): outputs and the chaining state they leave.
TEST(CipherKernels, EverySetAgreesWithTheScalarKernelsOnEveryCount) {
  std::mt19937 rng(11);
  unsigned char entries[128];
  for (int row = 0; row < 8; ++row) {  // each row a random permutation, as every table must be
    std::iota(entries + 16 * row, entries + 16 * row + 16, static_cast<unsigned char>(0));
    std::shuffle(entries + 16 * row, entries + 16 * row + 16, rng);
  }
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
  // Runs one kernel of `ops` on the first `blocks` blocks; the chaining state follows
  // the output.
  auto run = [&](const d::BulkOps& ops, int kernel, std::size_t blocks, bool inPlace) {
    Bytes out(8 * blocks + 8, 0xEE);  // the spare block must stay untouched
    std::memcpy(out.data(), data.data(), 8 * blocks);
    const unsigned char* in = inPlace ? out.data() : data.data();
    unsigned char feedback[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
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

// Messages encrypted side by side equal one engine per message, and the feedback
// each is left with continues it: counts around the sixteen lanes, on every path.
TEST(CipherEngine, FeedbackEncryptionSideBySideEqualsOneEngineEach) {
  std::mt19937 rng(5);
  unsigned char key[32];
  for (auto& b : key) b = static_cast<unsigned char>(rng());
  for (CpuPath cpu : AllPaths()) {
    gostcrypto::ScopedCpuPath path(cpu);
    for (std::size_t count : {1, 3, 16, 17}) {
      const unsigned long blocks = rng() % 40, more = 1 + rng() % 3;
      std::vector<Bytes> messages(count, Bytes(8 * (blocks + more))), sync(count, Bytes(8));
      std::vector<unsigned char*> data, feedback;
      for (std::size_t i = 0; i < count; ++i) {
        for (auto& b : messages[i]) b = static_cast<std::uint8_t>(rng());
        for (auto& b : sync[i]) b = static_cast<std::uint8_t>(rng());
      }
      std::vector<Bytes> together = messages, fed = sync;
      for (std::size_t i = 0; i < count; ++i) {
        data.push_back(together[i].data());
        feedback.push_back(fed[i].data());
      }
      gostcrypto::SCryptoEngine::EncryptFeedbackTogether(nullptr, key, data.data(), feedback.data(), count, blocks);
      for (std::size_t i = 0; i < count; ++i) {
        gostcrypto::SCryptoEngine after(nullptr, true, gostcrypto::kGammingFeedback, key, fed[i].data());
        after.makeTransform(together[i].data() + 8 * blocks, together[i].data() + 8 * blocks, more);
        gostcrypto::SCryptoEngine whole(nullptr, true, gostcrypto::kGammingFeedback, key, sync[i].data());
        whole.makeTransform(messages[i].data(), messages[i].data(), blocks + more);
        EXPECT_EQ(together[i], messages[i]) << gostcrypto::PathName(cpu) << ", " << count << " messages, " << i;
      }
    }
  }
}

TEST(CipherEngine, NullVectorMeansZeroVectorAndBadArgumentsAreRefused) {
  const Bytes key(32, 0x11), plain(24, 0x5A), zero(8, 0);
  const std::vector<std::size_t> whole{3};
  for (int mode : {gostcrypto::kGamming, gostcrypto::kGammingFeedback})
    EXPECT_EQ(Feed(SCryptoEngine(nullptr, true, mode, key.data(), nullptr), plain, whole, false),
              Feed(SCryptoEngine(nullptr, true, mode, key.data(), zero.data()), plain, whole, false));
  constexpr int kBad = SCryptoEngine::kBadArgument;
  EXPECT_EQ(CryptoCode([&] { SCryptoEngine(nullptr, true, gostcrypto::kGamming, nullptr, nullptr); }), kBad);
  EXPECT_EQ(CryptoCode([&] { SCryptoEngine(nullptr, true, 4, key.data(), nullptr); }), kBad);
  EXPECT_EQ(CryptoCode([&] { SCryptoEngine(nullptr, true, -1, key.data(), nullptr); }), kBad);
  const SCryptoEngine ecb(nullptr, true, gostcrypto::kSimpleReplacement, key.data(), nullptr);
  unsigned char mac[4];
  EXPECT_EQ(CryptoCode([&] { ecb.GetMac(mac); }), kBad) << "a MAC outside the MAC mode";
}

// The environment's choice of CPU path. ctest runs these once more with
// TAVRPKI_CPU_PATH=avx2, and with TAVRPKI_FORCE_PORTABLE=1 beside
// TAVRPKI_CPU_PATH=avx512 (see CMakeLists.txt): the path is chosen once per
// process, so only a fresh process can show it.
TEST(CpuPathFromEnvironment, IsTheNamedPathOrTheBestOneBelowIt) {
  const char* name = std::getenv("TAVRPKI_CPU_PATH");
  if (name == nullptr) GTEST_SKIP() << "TAVRPKI_CPU_PATH is not set";
  const char* force = std::getenv("TAVRPKI_FORCE_PORTABLE");
  CpuPath expected = gostcrypto::Supported(CpuPath::kAvx512);  // an unknown name changes nothing
  for (CpuPath path : {CpuPath::kPortable, CpuPath::kAvx2, CpuPath::kAvx512})
    if (std::strcmp(name, gostcrypto::PathName(path)) == 0) expected = gostcrypto::Supported(path);
  const bool forced = force != nullptr && std::strcmp(force, "1") == 0;
  if (forced) expected = CpuPath::kPortable;
  EXPECT_STREQ(gostcrypto::ActiveCpuPathNames().cipher, gostcrypto::PathName(expected));
  // The field kernels read the same environment: forced portable, else the best
  // (the cipher's names other than "portable" are no field path).
  using gostcrypto::FieldPath;
  auto field = FieldPath::kPortable;
  for (FieldPath path : {FieldPath::kClmul, FieldPath::kVpclmul})
    if (!forced && std::strcmp(name, "portable") != 0 && gostcrypto::Supported(path)) field = path;
  EXPECT_STREQ(gostcrypto::ActiveCpuPathNames().field, gostcrypto::PathName(field));
}

TEST(CpuPathFromEnvironment, ScopedPathFallsBackToWhatTheCpuHas) {
  for (CpuPath path : {CpuPath::kPortable, CpuPath::kAvx2, CpuPath::kAvx512}) {
    gostcrypto::ScopedCpuPath scoped(path);
    EXPECT_STREQ(gostcrypto::PathName(gostcrypto::ActiveCipherPath()), gostcrypto::PathName(gostcrypto::Supported(path)));
  }
  EXPECT_TRUE(!gostcrypto::DetectedCpu().avx2 || gostcrypto::Supported(CpuPath::kAvx2) == CpuPath::kAvx2);
}

}  // namespace
}  // namespace tavrpki::test

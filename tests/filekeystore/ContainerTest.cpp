// The container codec: round trips, and that each kind of bad input is told
// apart (damaged, foreign, wrong password, unknown version) without a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <string>

#include "core/Exception.h"
#include "support/CodeOf.h"
#include "gostcrypto/HashEngine.h"
#include "plugins/filekeystore/Container.h"
#include "crypto/params/Dke.h"
#include "support/VectorFile.h"

namespace tavrpki::filekeystore {
namespace {

using test::CodeOf;

constexpr std::uint32_t kFewIterations = 3;
constexpr std::size_t kChecksumSize = 32;

std::array<std::uint8_t, kSaltSize> Salt(std::uint8_t seed) {
  std::array<std::uint8_t, kSaltSize> salt{};
  std::iota(salt.begin(), salt.end(), seed);
  return salt;
}

const std::array<std::uint8_t, kIvSize> kIv{1, 2, 3, 4, 5, 6, 7, 8};

std::vector<std::uint8_t> Keys(std::size_t size) {
  std::vector<std::uint8_t> keys(size);
  for (std::size_t i = 0; i < size; ++i) keys[i] = static_cast<std::uint8_t>(i * 37 + 11);
  return keys;
}

std::vector<std::uint8_t> Seal(std::span<const std::uint8_t> keys, std::string_view description,
                               std::string_view password, std::uint8_t saltSeed = 0) {
  const auto salt = Salt(saltSeed);
  return SealContainer(keys, description, password, SealSettings{kFewIterations, salt, kIv}, "k");
}


// Re-computes the trailing checksum, as someone changing a file on purpose would.
void FixChecksum(std::vector<std::uint8_t>& c) {
  gostcrypto::HashEngine hash(params::kDke1.data(), nullptr);
  hash.CalculateHash(c.data(), c.size() - kChecksumSize);
  hash.Done(c.data() + c.size() - kChecksumSize);
}

TEST(Container, RoundTripsKeysAndDescription) {
  const struct {
    std::size_t keySize;
    std::string description;
    std::string password;
  } cases[] = {
      {1, "", "p"},
      {7, "short", "password"},
      {8, "one block", "\xEF\xE0\xF0\xEE\xEB\xFC"},  // Windows-1251 text
      {9, std::string(1000, 'd'), std::string(100, 'x')},  // a password longer than the HMAC block
      {1283, "\xCA\xEB\xFE\xF7 \xEF\xB3\xE4\xEF\xE8\xF1\xF3", "pw"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keySize);
    const auto keys = Keys(c.keySize);
    const auto container = Seal(keys, c.description, c.password);
    EXPECT_EQ(KeysSize(container, "k"), keys.size());
    EXPECT_EQ(ReadDescription(container, "k"), c.description);
    const SecretBytes opened = OpenContainer(container, c.password, "k");
    EXPECT_TRUE(std::equal(keys.begin(), keys.end(), opened.data(), opened.data() + opened.size()));
    // Encrypted: no block of the keys appears in the file as it is.
    if (c.keySize >= 8) {
      EXPECT_EQ(std::search(container.begin(), container.end(), keys.begin(), keys.begin() + 8),
                container.end());
    }
  }
}

TEST(Container, FreshSaltGivesUnrelatedCiphertext) {
  const auto keys = Keys(64);
  const auto a = Seal(keys, "", "pw", 0);
  const auto b = Seal(keys, "", "pw", 1);
  ASSERT_EQ(a.size(), b.size());
  std::size_t equalBytes = 0;
  for (std::size_t i = 96; i < 96 + keys.size(); ++i) equalBytes += a[i] == b[i];
  EXPECT_LT(equalBytes, 8u);
}

TEST(Container, WrongPasswordIsToldApart) {
  const auto container = Seal(Keys(100), "d", "right");
  for (const char* wrong : {"wrong", "", "righ", "right ", "Right"})
    EXPECT_EQ(CodeOf([&] { OpenContainer(container, wrong, "k"); }), 30013u) << wrong;
}

TEST(Container, EveryTruncationIsDamaged) {
  const auto container = Seal(Keys(50), "description", "pw");
  for (std::size_t size = 0; size < container.size(); ++size) {
    const std::span<const std::uint8_t> cut(container.data(), size);
    EXPECT_EQ(CodeOf([&] { OpenContainer(cut, "pw", "k"); }), 30014u) << size;
    EXPECT_EQ(CodeOf([&] { ReadDescription(cut, "k"); }), 30014u) << size;
  }
}

TEST(Container, EveryFlippedByteIsDamagedOrForeign) {
  const auto container = Seal(Keys(40), "description", "pw");
  for (std::size_t at = 0; at < container.size(); ++at) {
    auto changed = container;
    changed[at] ^= static_cast<std::uint8_t>(1u << (at % 8));
    const unsigned long expected = at < 8 ? 30015u : 30014u;  // the magic, then everything else
    // The right password: a damaged file must never pass for a wrong password.
    EXPECT_EQ(CodeOf([&] { OpenContainer(changed, "pw", "k"); }), expected) << at;
  }
}

TEST(Container, ChangesBehindARecomputedChecksumAreCaught) {
  const auto container = Seal(Keys(40), "description", "pw");
  const struct {
    const char* what;
    std::size_t at;
    unsigned long code;
  } cases[] = {
      {"version", 8, 30016},
      {"flags", 10, 30014},
      {"iterations", 12, 30013},        // another count derives other keys
      {"salt", 20, 30013},
      {"iv", 50, 30014},                // the MAC covers the vector
      {"description", 96, 30014},
      {"ciphertext", 96 + 11 + 5, 30014},
      {"mac", container.size() - 40, 30014},
  };
  for (const auto& c : cases) {
    auto changed = container;
    changed[c.at] ^= 0x04;
    FixChecksum(changed);
    EXPECT_EQ(CodeOf([&] { OpenContainer(changed, "pw", "k"); }), c.code) << c.what;
  }
}

TEST(Container, OutOfRangeHeaderFieldsAreRefusedBeforeAnyWork) {
  const auto container = Seal(Keys(40), "", "pw");
  const struct {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  } cases[] = {
      {"zero iterations", 12, 0},
      {"huge iterations", 12, 0xFFFFFFFFu},  // must fail fast, not run for hours
      {"huge description length", 88, 0xFFFFFFF0u},
      {"zero key length", 92, 0},
  };
  for (const auto& c : cases) {
    auto changed = container;
    for (int i = 0; i < 4; ++i) changed[c.at + i] = static_cast<std::uint8_t>(c.value >> (8 * i));
    FixChecksum(changed);
    EXPECT_EQ(CodeOf([&] { OpenContainer(changed, "pw", "k"); }), 30014u) << c.what;
  }
}

TEST(Container, OtherFilesAreNotContainers) {
  const std::vector<std::vector<std::uint8_t>> foreign = {
      {0x30, 0x82, 0x01, 0x0A, 0x02, 0x01},         // DER
      std::vector<std::uint8_t>(200, 0),          // zeros
      {'T', 'A', 'V', 'R', 'K', 'E', 'Y', '2', 0},  // a near miss on the magic
      {'-', '-', '-', '-', '-', 'B', 'E', 'G', 'I', 'N'},
  };
  for (const auto& bytes : foreign)
    EXPECT_EQ(CodeOf([&] { OpenContainer(bytes, "pw", "k"); }), 30015u);
}

TEST(Container, SealRefusesWhatTheFormatCannotHold) {
  const auto salt = Salt(0);
  const SealSettings settings{kFewIterations, salt, kIv};
  EXPECT_EQ(CodeOf([&] { SealContainer({}, "", "pw", settings, "k"); }), 30024u);
  const std::vector<std::uint8_t> huge(kMaxPayload + 1);
  EXPECT_EQ(CodeOf([&] { SealContainer(huge, "", "pw", settings, "k"); }), 30025u);
}

// A container written by the first version of this code must keep opening.
TEST(Container, ReadsTheVersionOneSample) {
  const auto container = test::ReadFileBytes(test::DataPath("filekeystore/v1-sample.key"));
  EXPECT_EQ(ReadDescription(container, "k"), "sample key for the format test");
  const SecretBytes opened = OpenContainer(container, "sample password", "k");
  const auto expected = Keys(300);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), opened.data(), opened.data() + opened.size()));
  EXPECT_EQ(opened.size(), expected.size());
}

}  // namespace
}  // namespace tavrpki::filekeystore

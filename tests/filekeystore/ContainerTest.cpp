// The container codec: round trips, and that each kind of bad input is told
// apart (damaged, foreign, wrong password, unknown version) without a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <string>

#include "core/Exception.h"
#include "crypto/params/Dke.h"
#include "gostcrypto/HashEngine.h"
#include "plugins/filekeystore/Container.h"
#include "support/CodeOf.h"
#include "support/VectorFile.h"

namespace tavrpki::filekeystore {
namespace {

using test::CodeOf;
using Bytes = std::vector<std::uint8_t>;

Bytes Keys(std::size_t size) {
  Bytes keys(size);
  for (std::size_t i = 0; i < size; ++i) keys[i] = static_cast<std::uint8_t>(i * 37 + 11);
  return keys;
}

Bytes Seal(std::span<const std::uint8_t> keys, std::string_view description, std::string_view password,
           std::uint8_t saltSeed = 0) {
  std::array<std::uint8_t, kSaltSize> salt{};
  std::iota(salt.begin(), salt.end(), saltSeed);
  const std::array<std::uint8_t, kIvSize> iv{1, 2, 3, 4, 5, 6, 7, 8};
  return SealContainer(keys, description, password, SealSettings{3, salt, iv}, "k");
}

bool SameKeys(const Bytes& expected, const SecretBytes& opened) {
  return std::equal(expected.begin(), expected.end(), opened.data(), opened.data() + opened.size());
}

TEST(Container, RoundTripsKeysAndDescription) {
  const struct {
    std::size_t keySize;
    std::string description;
    std::string password;
  } cases[] = {
      {1, "", "p"},
      {8, "one block", "\xEF\xE0\xF0\xEE\xEB\xFC"},         // Windows-1251 text
      {9, std::string(1000, 'd'), std::string(100, 'x')},  // a password longer than the HMAC block
      {1283, "\xCA\xEB\xFE\xF7 \xEF\xB3\xE4\xEF\xE8\xF1\xF3", "pw"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keySize);
    const Bytes keys = Keys(c.keySize), container = Seal(keys, c.description, c.password);
    EXPECT_EQ(KeysSize(container, "k"), keys.size());
    EXPECT_EQ(ReadDescription(container, "k"), c.description);
    EXPECT_TRUE(SameKeys(keys, OpenContainer(container, c.password, "k")));
    // Encrypted: no block of the keys appears in the file as it is.
    const auto end = keys.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(8, keys.size()));
    EXPECT_TRUE(keys.size() < 8 || std::search(container.begin(), container.end(), keys.begin(), end) == container.end());
  }
  // A fresh salt gives unrelated ciphertext.
  const Bytes a = Seal(Keys(64), "", "pw", 0), b = Seal(Keys(64), "", "pw", 1);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_LT(std::inner_product(a.begin() + 96, a.begin() + 160, b.begin() + 96, 0, std::plus<>(), std::equal_to<>()), 8);
}

TEST(Container, WrongPasswordIsToldApart) {
  const Bytes container = Seal(Keys(100), "d", "right");
  for (const char* wrong : {"wrong", "", "righ", "right ", "Right"})
    EXPECT_EQ(CodeOf([&] { OpenContainer(container, wrong, "k"); }), 30013u) << wrong;
}

// Every truncation is damaged; every flipped byte is foreign (the magic) or damaged,
// never a wrong password.
TEST(Container, EveryTruncationAndFlippedByteIsDamagedOrForeign) {
  const Bytes container = Seal(Keys(40), "description", "pw");
  for (std::size_t at = 0; at < container.size(); ++at) {
    const std::span<const std::uint8_t> cut(container.data(), at);
    EXPECT_EQ(CodeOf([&] { OpenContainer(cut, "pw", "k"); }), 30014u) << at;
    EXPECT_EQ(CodeOf([&] { ReadDescription(cut, "k"); }), 30014u) << at;
    Bytes changed = container;
    changed[at] ^= static_cast<std::uint8_t>(1u << (at % 8));
    EXPECT_EQ(CodeOf([&] { OpenContainer(changed, "pw", "k"); }), at < 8 ? 30015u : 30014u) << at;
  }
}

TEST(Container, ChangedFieldsAndForeignFilesHaveTheirCodes) {
  const Bytes container = Seal(Keys(40), "description", "pw");
  for (const test::Vector& v : test::ReadVectorFile("filekeystore/container-damage.vec")) {
    SCOPED_TRACE(v.Where() + " " + v.Get("What"));
    Bytes changed = v.Has("Bytes") ? v.Bytes("Bytes") : container;
    if (v.Has("At")) {
      const long at = std::stol(v.Get("At")), offset = at < 0 ? static_cast<long>(changed.size()) + at : at;
      const Bytes value = v.Has("Xor") ? v.Bytes("Xor") : v.Bytes("Set");
      for (std::size_t i = 0; i < value.size(); ++i)
        changed[offset + i] = v.Has("Xor") ? changed[offset + i] ^ value[i] : value[value.size() - 1 - i];
      gostcrypto::HashEngine checksum(params::kDke1.data(), nullptr);  // recomputed, as on purpose
      checksum.CalculateHash(changed.data(), changed.size() - 32);
      checksum.Done(changed.data() + changed.size() - 32);
    }
    EXPECT_EQ(CodeOf([&] { OpenContainer(changed, "pw", "k"); }), std::stoul(v.Get("Code")));
    v.ExpectAllUsed();
  }
}

TEST(Container, SealRefusesWhatTheFormatCannotHold) {
  EXPECT_EQ(CodeOf([&] { Seal({}, "", "pw"); }), 30024u);
  EXPECT_EQ(CodeOf([&] { Seal(Bytes(kMaxPayload + 1), "", "pw"); }), 30025u);
}

// A container written by the first version of this code must keep opening.
TEST(Container, ReadsTheVersionOneSample) {
  const Bytes container = test::ReadFileBytes(test::DataPath("filekeystore/v1-sample.key"));
  EXPECT_EQ(ReadDescription(container, "k"), "sample key for the format test");
  const SecretBytes opened = OpenContainer(container, "sample password", "k");
  EXPECT_EQ(opened.size(), 300u);
  EXPECT_TRUE(SameKeys(Keys(300), opened));
}

}  // namespace
}  // namespace tavrpki::filekeystore

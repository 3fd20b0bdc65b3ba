// CryptoEngine as the kernel adapters drive it: LongInt in and out, the codes of
// CryptoException, the byte layouts of signatures and ciphertext pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "ec/Errors.h"
#include "gostcrypto/CryptoEngine.h"
#include "support/DstuCurves.h"
#include "support/VectorFile.h"

namespace tavrpki::test::dstu {
namespace {

using gostcrypto::CryptoEngine;
using longmath::LongInt;
namespace ec = gostcrypto::ec;

constexpr const char* k257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";

int CodeOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const gostcrypto::CryptoException& e) {
    return e.GetCode();
  }
  return -1;
}

std::string Hex(const LongInt& value, std::size_t bytes) { return ToHex(value.GetData(), bytes); }

// 128 random bytes, as the kernel draws them. A draw the engine refuses (a zero
// scalar, probability about 2^-160) does not come up with this seed.
LongInt Random(unsigned bits) {
  static std::mt19937 rng(2024);
  std::vector<std::uint8_t> bytes(128);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  return Value(bytes, bits);
}

struct Engine : CryptoEngine {
  explicit Engine(const char* oid = k257) { LoadCurve(*this, CurveByOid(oid).params); }
};

// The NAMED-257PB vector: the key, compression and verification through LongInt;
// then a new signature and the key checks.
TEST(Engine, KnownAnswerSignatureLayoutAndKeyChecks) {
  const auto vectors = ReadVectorFile("dstu4145.txt");
  const auto v = std::find_if(vectors.begin(), vectors.end(), [](auto& r) { return r.Get("name") == "NAMED-257PB"; });
  ASSERT_NE(v, vectors.end());
  Engine engine;
  const LongInt d = Value(NumberLE(v->Get("d")), 256);
  LongInt x, y, x2, y2;
  engine.GetPublicKey(d, x, y);
  EXPECT_EQ(x.GetBitLength(), 257);
  EXPECT_EQ(Hex(engine.CompressPoint(x, y), 33), ToHex(v->Bytes("Q_compressed_le")));
  const auto sig = v->Bytes("sig_le");
  EXPECT_TRUE(engine.CheckSign(Value(v->Bytes("hash_bytes"), 256), Value(sig, 8 * sig.size()), x, y));

  engine.GetCryptPublicKey(d, x2, y2);
  EXPECT_EQ(Hex(x, 33), Hex(x2, 33)) << "one public key for both usages";
  EXPECT_TRUE(engine.CheckPrivateKey(d, x, y));
  EXPECT_TRUE(engine.CheckCryptPrivateKey(d, x, y));
  EXPECT_TRUE(engine.CheckPublicKey(x, y));
  const LongInt other = engine.GetPrivateKey(Random(engine.m));
  EXPECT_EQ(other.GetBitLength(), 256);
  EXPECT_FALSE(engine.CheckPrivateKey(other, x, y));
  EXPECT_FALSE(engine.CheckPrivateKey(LongInt(256), x, y)) << "d = 0";
  EXPECT_FALSE(engine.CheckPublicKey(x, x));
  const LongInt hash(256);
  const LongInt made = engine.Sign(hash, d, Random(engine.m));
  EXPECT_EQ(made.GetBitLength(), 2 * 8 * 32) << "r and s of 32 bytes each on the 257-bit curve";
  EXPECT_TRUE(engine.CheckSign(hash, made, x, y));
}

TEST(Engine, RandomValuesAreReducedModN) {
  // The secret is the first 8 (words of n + 1) = 40 bytes mod n; only 0 asks for
  // another draw.
  Engine engine;
  std::vector<std::uint8_t> bytes(128, 0);
  EXPECT_EQ(CodeOf([&] { engine.GetPrivateKey(Value(bytes, 257)); }), ec::kBadRandom);
  const auto& n = CurveByOid(k257).params.n;
  std::copy(n.begin(), n.end(), bytes.begin());
  EXPECT_EQ(CodeOf([&] { engine.GetPrivateKey(Value(bytes, 257)); }), ec::kBadRandom) << "n mod n";
  bytes.assign(128, 0);
  bytes[32] = 1;      // 2^256 mod n = 2^256 - n
  bytes[100] = 0xFF;  // beyond the 40 bytes: ignored
  EXPECT_EQ(Hex(engine.GetPrivateKey(Value(bytes, 257)), 32),
            ToHex(NumberLE("7FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF98A6DEC50E7D16782C1E88EB6F82B8F3", 32)));
  EXPECT_EQ(CodeOf([&] { engine.GetPrivateKey(Value({1, 2, 3}, 24)); }), ec::kBadArgument) << "too short";
}

TEST(Engine, RefusesBadKeysAndCurves) {
  Engine engine;
  LongInt x, y;
  const LongInt tooLarge = Value(std::vector<std::uint8_t>(33, 0xFF), 264);
  EXPECT_EQ(CodeOf([&] { engine.GetPublicKey(tooLarge, x, y); }), ec::kBadKey) << "d >= n";
  EXPECT_EQ(CodeOf([&] { engine.CompressPoint(engine.Px, engine.Px); }), ec::kBadKey) << "off the curve";
  EXPECT_EQ(CodeOf([&] { engine.DecompressPoint(Value({1}, 257), x, y); }), ec::kBadKey)
      << "1 is no compressed point of this curve";

  const struct {
    const char* what;
    std::function<void(CryptoEngine&)> apply;
  } changes[] = {
      {"even n", [](CryptoEngine& e) { e.n.GetData()[0] ^= 1; }},
      {"base point off the curve", [](CryptoEngine& e) { e.Py.GetData()[0] ^= 1; }},
      {"A = 2", [](CryptoEngine& e) { e.A = 2; }},
      {"no polynomial for m = 257", [](CryptoEngine& e) { e.k = 0; }},
      {"exponent above m", [](CryptoEngine& e) { e.k = 300; }},
      {"B with a bit above m", [](CryptoEngine& e) { e.B.changeLength(264, true), e.B.GetData()[32] |= 0x80; }},
  };
  for (const auto& change : changes) {
    Engine changed;
    change.apply(changed);
    EXPECT_EQ(CodeOf([&] { changed.CheckPublicKey(changed.Px, changed.Py); }), ec::kBadCurve) << change.what;
  }
}

// Pieces as the kernel cuts them: m bits in, 16 * ceil(m/8) bits out, m bits back.
TEST(Engine, EncryptionPieces) {
  for (const char* oid : {k257, "1.2.804.2.1.1.1.1.3.1.2.2.4", "1.2.804.2.1.1.1.1.3.1.1.2.0"}) {
    SCOPED_TRACE(oid);
    Engine engine(oid);
    const unsigned m = engine.m, size = (m + 7) / 8;
    const LongInt d = engine.GetPrivateKey(Random(m));
    LongInt x, y;
    engine.GetCryptPublicKey(d, x, y);
    const LongInt random = Random(m);
    std::vector<std::uint8_t> plain(random.GetData(), random.GetData() + size);
    plain[size - 1] &= static_cast<std::uint8_t>((1u << (m % 8)) - 1);
    const LongInt ct = engine.Encrypt(Value(plain, m), x, y, Random(m));
    ASSERT_EQ(ct.GetBitLength(), 16 * size);
    const LongInt back = engine.Decrypt(ct, d);
    EXPECT_EQ(back.GetBitLength(), m);
    EXPECT_EQ(Hex(back, size), ToHex(plain));

    // The kernel hands the piece over as a zero-padded value of 16 * ceil(m/8) bits.
    std::vector<std::uint8_t> bytes(ct.GetData(), ct.GetData() + 2 * size);
    EXPECT_EQ(Hex(engine.Decrypt(Value(bytes, 16 * size), d), size), ToHex(plain));
    auto broken = bytes;
    broken[2 * size - 1] |= 0x80;  // a bit above m in the masked half
    EXPECT_EQ(CodeOf([&] { engine.Decrypt(Value(broken, 16 * size), d); }), ec::kBadCiphertext);
    broken = bytes;
    broken.push_back(1);
    EXPECT_EQ(CodeOf([&] { engine.Decrypt(Value(broken, 8 * broken.size()), d); }), ec::kBadCiphertext);
    auto tooLong = plain;
    tooLong[size - 1] |= 0x80;
    EXPECT_EQ(CodeOf([&] { engine.Encrypt(Value(tooLong, 8 * size), x, y, Random(m)); }), ec::kBadArgument);
    EXPECT_EQ(CodeOf([&] { engine.Encrypt(Value(plain, m), x, x, Random(m)); }), ec::kBadKey) << "off the curve";
  }
}

}  // namespace
}  // namespace tavrpki::test::dstu

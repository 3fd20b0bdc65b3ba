// CryptoEngine as the kernel adapters drive it: LongInt in and out, the codes of
// CryptoException, the byte layouts of signatures and ciphertext pieces.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "ec/Errors.h"
#include "gostcrypto/CryptoEngine.h"
#include "support/DstuCurves.h"
#include "support/VectorFile.h"

namespace tavrpki::test::dstu {
namespace {

using gostcrypto::CryptoEngine;
using gostcrypto::CryptoException;
using longmath::LongInt;
namespace ec = gostcrypto::ec;

constexpr const char* k257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";

int CodeOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const CryptoException& e) {
    return e.GetCode();
  }
  return -1;
}

std::string Hex(const LongInt& value, std::size_t bytes) { return ToHex(value.GetData(), bytes); }

class Engine : public ::testing::Test {
 protected:
  void SetUp() override { LoadCurve(m_engine, CurveByOid(k257).params); }

  LongInt Random(unsigned bits) {
    std::vector<std::uint8_t> bytes(128);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(m_rng());
    return Value(bytes, bits);
  }
  // Draws until the engine accepts the random value, as the kernel does.
  template <class Body>
  auto Retry(const CryptoEngine& engine, Body&& body) {
    for (;;) {
      try {
        return body(Random(engine.m));
      } catch (const CryptoException& e) {
        if (e.GetCode() != CryptoException::kBadRandom) throw;
      }
    }
  }

  CryptoEngine m_engine;
  std::mt19937 m_rng{2024};
};

TEST_F(Engine, KnownAnswerThroughLongInt) {
  // NAMED-257PB of dstu4145.txt: the key, compression, and verification of sig_le.
  const LongInt d = Value(NumberLE("77F2850DD596AB9DD697CE381EEAE44EA912D4479F2A95B033FB6F8CAD408786"), 256);
  LongInt x, y;
  m_engine.GetPublicKey(d, x, y);
  EXPECT_EQ(x.GetBitLength(), 257);
  EXPECT_EQ(Hex(m_engine.CompressPoint(x, y), 33),
            "78743d77419df2cd464f1cc13e1a0183ea237b0ad644b8f11f8dc859f9511f3d01");
  EXPECT_TRUE(m_engine.CheckPrivateKey(d, x, y));
  EXPECT_TRUE(m_engine.CheckPublicKey(x, y));
  const auto sig = FromHex(
      "CBB34DAA7B1AA7A6372F07415996715DCEFC0DAF5230EE9ABBD146009D08A53E"
      "8681F9DFE4E5AC73227A3938388B278404986199CF1B93B93E3498048FC3913A");
  const LongInt hash = Value(FromHex("A34A53504D8BA070CB73A583146167A0A3C226D793440D9CEA24465FE02251F2"), 256);
  EXPECT_TRUE(m_engine.CheckSign(hash, Value(sig, 8 * sig.size()), x, y));
}

TEST_F(Engine, SignatureLayoutAndKeyChecks) {
  const LongInt d = Retry(m_engine, [&](const LongInt& r) { return m_engine.GetPrivateKey(r); });
  EXPECT_EQ(d.GetBitLength(), 256);
  LongInt x, y, x2, y2;
  m_engine.GetPublicKey(d, x, y);
  m_engine.GetCryptPublicKey(d, x2, y2);
  EXPECT_EQ(Hex(x, 33), Hex(x2, 33)) << "one public key for both usages";
  EXPECT_TRUE(m_engine.CheckCryptPrivateKey(d, x, y));
  const LongInt other = Retry(m_engine, [&](const LongInt& r) { return m_engine.GetPrivateKey(r); });
  EXPECT_FALSE(m_engine.CheckPrivateKey(other, x, y));
  EXPECT_FALSE(m_engine.CheckPrivateKey(LongInt(256), x, y)) << "d = 0";
  EXPECT_FALSE(m_engine.CheckPublicKey(x, x));

  LongInt hash(256);
  const LongInt sig = Retry(m_engine, [&](const LongInt& r) { return m_engine.Sign(hash, d, r); });
  EXPECT_EQ(sig.GetBitLength(), 2 * 8 * 32) << "r and s of 32 bytes each on the 257-bit curve";
  EXPECT_TRUE(m_engine.CheckSign(hash, sig, x, y));
}

TEST_F(Engine, RandomValuesAreReducedModN) {
  // The secret is the first 8 (words of n + 1) = 40 bytes mod n; only 0 asks for
  // another draw.
  std::vector<std::uint8_t> bytes(128, 0);
  EXPECT_EQ(CodeOf([&] { m_engine.GetPrivateKey(Value(bytes, 257)); }), ec::kBadRandom);
  const auto& n = CurveByOid(k257).params.n;
  std::copy(n.begin(), n.end(), bytes.begin());
  EXPECT_EQ(CodeOf([&] { m_engine.GetPrivateKey(Value(bytes, 257)); }), ec::kBadRandom) << "n mod n";
  bytes.assign(128, 0);
  bytes[32] = 1;      // 2^256 mod n = 2^256 - n
  bytes[100] = 0xFF;  // beyond the 40 bytes: ignored
  EXPECT_EQ(Hex(m_engine.GetPrivateKey(Value(bytes, 257)), 32),
            ToHex(NumberLE("7FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF98A6DEC50E7D16782C1E88EB6F82B8F3", 32)));
  EXPECT_EQ(CodeOf([&] { m_engine.GetPrivateKey(Value({1, 2, 3}, 24)); }), ec::kBadArgument) << "too short";
}

TEST_F(Engine, RefusesBadKeysAndCurves) {
  LongInt x, y;
  const LongInt tooLarge = Value(std::vector<std::uint8_t>(33, 0xFF), 264);
  EXPECT_EQ(CodeOf([&] { m_engine.GetPublicKey(tooLarge, x, y); }), ec::kBadKey) << "d >= n";
  EXPECT_EQ(CodeOf([&] { m_engine.CompressPoint(m_engine.Px, m_engine.Px); }), ec::kBadKey) << "off the curve";
  EXPECT_EQ(CodeOf([&] { m_engine.DecompressPoint(Value({1}, 257), x, y); }), ec::kBadKey)
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
    CryptoEngine engine;
    LoadCurve(engine, CurveByOid(k257).params);
    change.apply(engine);
    EXPECT_EQ(CodeOf([&] { engine.CheckPublicKey(engine.Px, engine.Py); }), ec::kBadCurve) << change.what;
  }
}

TEST_F(Engine, EncryptionPieces) {
  // Pieces as the kernel cuts them: m bits in, 16 * ceil(m/8) bits out, m bits back.
  for (const char* oid : {k257, "1.2.804.2.1.1.1.1.3.1.2.2.4", "1.2.804.2.1.1.1.1.3.1.1.2.0"}) {
    SCOPED_TRACE(oid);
    CryptoEngine engine;
    LoadCurve(engine, CurveByOid(oid).params);
    const unsigned m = engine.m, size = (m + 7) / 8;
    const LongInt d = Retry(engine, [&](const LongInt& r) { return engine.GetPrivateKey(r); });
    LongInt x, y;
    engine.GetCryptPublicKey(d, x, y);
    std::vector<std::uint8_t> plain(size);
    for (auto& b : plain) b = static_cast<std::uint8_t>(m_rng());
    plain[size - 1] &= static_cast<std::uint8_t>((1u << (m % 8)) - 1);
    const LongInt piece = Value(plain, m);
    const auto encrypt = [&](const LongInt& qy) {
      return Retry(engine, [&](const LongInt& r) { return engine.Encrypt(piece, x, qy, r); });
    };
    const LongInt ct = encrypt(y);
    ASSERT_EQ(ct.GetBitLength(), 16 * size);
    EXPECT_NE(Hex(ct, 2 * size), Hex(encrypt(y), 2 * size)) << "fresh ephemeral key";
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
    EXPECT_EQ(CodeOf([&] { encrypt(x); }), ec::kBadKey) << "key off the curve";
  }
}

}  // namespace
}  // namespace tavrpki::test::dstu

// CryptoEngine as the kernel adapters drive it: LongInt in and out, the codes of
// CryptoException, the byte layouts of signatures and ciphertext pieces.
#include <gtest/gtest.h>

#include <random>

#include "TestCurves.h"
#include "gostcrypto/CryptoEngine.h"
#include "support/VectorFile.h"

namespace tavrpki::test::dstu {
namespace {

using gostcrypto::CryptoEngine;
using gostcrypto::CryptoException;
using longmath::LongInt;

LongInt Value(const std::vector<std::uint8_t>& bytes, unsigned bits) {
  LongInt v(static_cast<std::uint16_t>(bits));
  v.SetFromBuffer(bytes.data(), bytes.size());
  return v;
}

void Load(CryptoEngine& engine, const CurveParams& p) {
  engine.m = p.m;
  engine.k = p.k;
  engine.j = p.j;
  engine.l = p.l;
  engine.A = p.a;
  engine.B = Value(p.b, p.m);
  engine.n = Value(p.n, p.m);
  engine.Px = Value(p.gx, p.m);
  engine.Py = Value(p.gy, p.m);
}

int CodeOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const CryptoException& e) {
    return e.GetCode();
  }
  return -1;
}

class Engine : public ::testing::Test {
 protected:
  LongInt Random(unsigned bits) {
    std::vector<std::uint8_t> bytes(128);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(m_rng());
    return Value(bytes, bits);
  }
  template <class Body>
  auto Retry(Body&& body) {
    for (;;) {
      try {
        return body(Random(m_engine.m));
      } catch (const CryptoException& e) {
        if (e.GetCode() != CryptoException::kBadRandom) throw;
      }
    }
  }
  void SetUp() override { Load(m_engine, CurveByOid("1.2.804.2.1.1.1.1.3.1.1.2.6").params); }

  CryptoEngine m_engine;
  std::mt19937 m_rng{2024};
};

TEST_F(Engine, KnownAnswerThroughLongInt) {
  // NAMED-257PB of dstu4145.txt: the key, compression, and verification of sig_le.
  const LongInt d = Value(NumberLE("77F2850DD596AB9DD697CE381EEAE44EA912D4479F2A95B033FB6F8CAD408786"), 256);
  LongInt x, y;
  m_engine.GetPublicKey(d, x, y);
  EXPECT_EQ(x.GetBitLength(), 257);
  const LongInt c = m_engine.CompressPoint(x, y);
  EXPECT_EQ(ToHex(std::vector<std::uint8_t>(c.Bytes().begin(), c.Bytes().end())),
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
  const LongInt d = Retry([&](const LongInt& r) { return m_engine.GetPrivateKey(r); });
  EXPECT_EQ(d.GetBitLength(), 256);
  LongInt x, y, x2, y2;
  m_engine.GetPublicKey(d, x, y);
  m_engine.GetCryptPublicKey(d, x2, y2);
  EXPECT_EQ(ToHex(std::vector<std::uint8_t>(x.Bytes().begin(), x.Bytes().end())),
            ToHex(std::vector<std::uint8_t>(x2.Bytes().begin(), x2.Bytes().end())));
  EXPECT_TRUE(m_engine.CheckCryptPrivateKey(d, x, y));
  const LongInt other = Retry([&](const LongInt& r) { return m_engine.GetPrivateKey(r); });
  EXPECT_FALSE(m_engine.CheckPrivateKey(other, x, y));
  EXPECT_FALSE(m_engine.CheckPrivateKey(LongInt(256), x, y)) << "d = 0";
  EXPECT_FALSE(m_engine.CheckPublicKey(x, x));

  LongInt hash(256);
  const LongInt sig = Retry([&](const LongInt& r) { return m_engine.Sign(hash, d, r); });
  EXPECT_EQ(sig.GetBitLength(), 2 * 8 * 32) << "r and s of 32 bytes each on the 257-bit curve";
  EXPECT_TRUE(m_engine.CheckSign(hash, sig, x, y));
}

TEST_F(Engine, RandomValuesAreReducedModN) {
  // The secret is the first 8 (words of n + 1) = 40 bytes mod n; only 0 asks for
  // another draw.
  std::vector<std::uint8_t> bytes(128, 0);
  EXPECT_EQ(CodeOf([&] { m_engine.GetPrivateKey(Value(bytes, 257)); }), CryptoException::kBadRandom);
  const auto n = CurveByOid("1.2.804.2.1.1.1.1.3.1.1.2.6").params.n;
  std::copy(n.begin(), n.end(), bytes.begin());
  EXPECT_EQ(CodeOf([&] { m_engine.GetPrivateKey(Value(bytes, 257)); }), CryptoException::kBadRandom) << "n mod n";
  bytes.assign(128, 0);
  bytes[32] = 1;  // 2^256 mod n = 2^256 - n
  bytes[100] = 0xFF;  // beyond the 40 bytes: ignored
  const LongInt d = m_engine.GetPrivateKey(Value(bytes, 257));
  std::vector<std::uint8_t> expected = NumberLE("7FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF98A6DEC50E7D16782C1E88EB6F82B8F3", 32);
  EXPECT_EQ(ToHex(d.GetData(), 32), ToHex(expected));
  EXPECT_EQ(CodeOf([&] { m_engine.GetPrivateKey(Value({1, 2, 3}, 24)); }), 0x12) << "too short";
}

TEST_F(Engine, RefusesBadKeysAndCurves) {
  LongInt x, y;
  const std::vector<std::uint8_t> high(33, 0xFF);
  EXPECT_EQ(CodeOf([&] { m_engine.GetPublicKey(Value(high, 264), x, y); }), 0x11) << "d >= n";
  EXPECT_EQ(CodeOf([&] { m_engine.CompressPoint(m_engine.Px, m_engine.Px); }), 0x11) << "not on the curve";
  // A compressed value whose x has no point (found by search, seeded).
  int refused = 0;
  for (int i = 0; i < 16; ++i) {
    std::vector<std::uint8_t> c(33);
    for (auto& b : c) b = static_cast<std::uint8_t>(m_rng());
    c[32] &= 1;
    if (CodeOf([&] { m_engine.DecompressPoint(Value(c, 257), x, y); }) == 0x11) ++refused;
  }
  EXPECT_GT(refused, 0);

  struct Change {
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
  for (const Change& change : changes) {
    CryptoEngine engine;
    Load(engine, CurveByOid("1.2.804.2.1.1.1.1.3.1.1.2.6").params);
    change.apply(engine);
    EXPECT_EQ(CodeOf([&] { engine.CheckPublicKey(engine.Px, engine.Py); }), 0x10) << change.what;
  }
}

TEST_F(Engine, EncryptionPieces) {
  // Pieces as the kernel cuts them: m bits in, 16 * ceil(m/8) bits out, m bits back.
  for (const char* oid : {"1.2.804.2.1.1.1.1.3.1.1.2.6", "1.2.804.2.1.1.1.1.3.1.2.2.4", "1.2.804.2.1.1.1.1.3.1.1.2.0"}) {
    SCOPED_TRACE(oid);
    CryptoEngine engine;
    Load(engine, CurveByOid(oid).params);
    const unsigned m = engine.m, size = (m + 7) / 8;
    const LongInt d = Retry([&](const LongInt&) { return engine.GetPrivateKey(Random(m)); });
    LongInt x, y;
    engine.GetCryptPublicKey(d, x, y);
    std::vector<std::uint8_t> plain(size);
    for (auto& b : plain) b = static_cast<std::uint8_t>(m_rng());
    plain[size - 1] &= static_cast<std::uint8_t>((1u << (m % 8)) - 1);
    const LongInt piece = Value(plain, m);
    const LongInt ct = Retry([&](const LongInt& r) { return engine.Encrypt(piece, x, y, r); });
    ASSERT_EQ(ct.GetBitLength(), 16 * size);
    const LongInt ct2 = Retry([&](const LongInt& r) { return engine.Encrypt(piece, x, y, r); });
    EXPECT_NE(ToHex(ct.GetData(), 2 * size), ToHex(ct2.GetData(), 2 * size)) << "fresh ephemeral key";
    const LongInt back = engine.Decrypt(ct, d);
    EXPECT_EQ(back.GetBitLength(), m);
    EXPECT_EQ(ToHex(back.GetData(), size), ToHex(plain));

    // The kernel hands the piece over as a zero-padded value of 16 * ceil(m/8) bits.
    std::vector<std::uint8_t> bytes(ct.GetData(), ct.GetData() + 2 * size);
    EXPECT_EQ(ToHex(engine.Decrypt(Value(bytes, 16 * size), d).GetData(), size), ToHex(plain));
    auto broken = bytes;
    broken[2 * size - 1] |= 0x80;  // a bit above m in the masked half
    EXPECT_EQ(CodeOf([&] { engine.Decrypt(Value(broken, 16 * size), d); }), 0x13);
    broken = bytes;
    broken.push_back(1);
    EXPECT_EQ(CodeOf([&] { engine.Decrypt(Value(broken, 8 * broken.size()), d); }), 0x13);
    auto tooLong = plain;
    tooLong[size - 1] |= 0x80;
    EXPECT_EQ(CodeOf([&] { engine.Encrypt(Value(tooLong, 8 * size), x, y, Random(m)); }), 0x12);
    EXPECT_EQ(CodeOf([&] { Retry([&](const LongInt& r) { return engine.Encrypt(piece, x, x, r); }); }), 0x11) << "key off the curve";
  }
}

}  // namespace
}  // namespace tavrpki::test::dstu

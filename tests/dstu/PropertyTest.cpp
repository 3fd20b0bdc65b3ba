// Group laws and round trips on every named curve with seeded random scalars:
// n G = O, k G by the constant-time comb against the variable-time wNAF,
// (k1 + k2) G = k1 G + k2 G, the ladder against wNAF, the order check against n Q = O,
// compression round trips, sign/verify and encryption round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "support/DstuCurves.h"
#include "ec/Dstu.h"
#include "gostcrypto/CryptoException.h"
#include "support/VectorFile.h"

namespace tavrpki::test::dstu {
namespace {

using namespace gostcrypto::ec;
using Buffer = std::vector<std::uint8_t>;

class Properties : public ::testing::TestWithParam<std::size_t> {
 protected:
  void SetUp() override {
    const NamedCurve& named = NamedCurves().at(GetParam());
    m_curve = BuildCurve(named.params, FieldChoice::kBest);
    m_params = named.params;
    m_size = m_curve->ElementBytes();
    m_rng.seed(static_cast<unsigned>(GetParam()) * 7919u + 1);
  }

  Buffer Element() const { return Buffer(m_size); }

  // Random bytes of an element: m bits.
  Buffer RandomElement() {
    Buffer e = Element();
    for (auto& b : e) b = static_cast<std::uint8_t>(m_rng());
    if (m_params.m % 8 != 0) e.back() &= static_cast<std::uint8_t>((1u << (m_params.m % 8)) - 1);
    return e;
  }

  // A uniformly random scalar in [1, n-1].
  Scalar RandomScalar() {
    const ScalarField& order = m_curve->Order();
    Buffer bytes(order.Bytes());
    for (;;) {
      for (auto& b : bytes) b = static_cast<std::uint8_t>(m_rng());
      Scalar s;
      if (order.LoadTruncated(s, bytes, order.Bits()) != 0) return s;
    }
  }

  // A random point of the curve (any order) from a random compressed value.
  void RandomPoint(Buffer& x, Buffer& y) {
    x = Element();
    y = Element();
    while (!m_curve->Decompress(RandomElement(), x, y)) {
    }
  }

  std::shared_ptr<const Curve> m_curve;
  CurveParams m_params;
  std::size_t m_size = 0;
  std::mt19937 m_rng;
};

TEST_P(Properties, BasePointOrderAndScalarMultiplication) {
  Buffer x = Element(), y = Element(), x2 = Element(), y2 = Element();
  EXPECT_FALSE(m_curve->MulVartime(m_params.gx, m_params.gy, m_curve->Order().N(), x, y)) << "n G != O";
  EXPECT_TRUE(m_curve->CheckPublicKeyVartime(m_params.gx, m_params.gy));
  EXPECT_EQ(m_curve->Cofactor(), NamedCurves().at(GetParam()).cofactor);

  Scalar one{};
  one[0] = 1;
  Scalar minusOne;
  m_curve->Order().Neg(minusOne, one);
  // PublicKey(n - 1) = -(n - 1) G = G: the comb at its top scalar.
  m_curve->PublicKey(minusOne, x, y);
  EXPECT_EQ(ToHex(x), ToHex(m_params.gx));
  EXPECT_EQ(ToHex(y), ToHex(m_params.gy));

  Buffer q2x = Element(), q2y = Element(), sx = Element(), sy = Element();
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    const Scalar k1 = RandomScalar(), k2 = RandomScalar();
    Scalar sum, minusK1;
    m_curve->Order().Add(sum, k1, k2);
    m_curve->Order().Neg(minusK1, k1);
    // Comb (constant time) against wNAF (variable time): PublicKey(k) = (n - k) G.
    m_curve->PublicKey(k1, x, y);
    ASSERT_TRUE(m_curve->MulVartime(m_params.gx, m_params.gy, minusK1, x2, y2));
    EXPECT_EQ(ToHex(x), ToHex(x2));
    EXPECT_EQ(ToHex(y), ToHex(y2));
    EXPECT_TRUE(m_curve->CheckPublicKeyVartime(x, y));
    // (k1 + k2) G = k1 G + k2 G, all through the comb.
    m_curve->PublicKey(k2, q2x, q2y);
    if (m_curve->Order().ZeroMask(sum) == 0) {
      m_curve->PublicKey(sum, sx, sy);
      ASSERT_TRUE(m_curve->AddVartime(x, y, q2x, q2y, x2, y2));
      EXPECT_EQ(ToHex(sx), ToHex(x2));
      EXPECT_EQ(ToHex(sy), ToHex(y2));
    }
  }
}

TEST_P(Properties, CompressionRoundTripAndOrderCheck) {
  Buffer x, y, c = Element(), x2 = Element(), y2 = Element(), t2x = Element(), t2y = Element();
  // (0, sqrt b) is the point of order 2, compressed as 0.
  ASSERT_TRUE(m_curve->Decompress(Element(), t2x, t2y));
  EXPECT_FALSE(m_curve->CheckPublicKeyVartime(t2x, t2y));
  for (int i = 0; i < 16; ++i) {
    RandomPoint(x, y);
    ASSERT_TRUE(m_curve->Compress(x, y, c));
    ASSERT_TRUE(m_curve->Decompress(c, x2, y2));
    EXPECT_EQ(ToHex(x2), ToHex(x));
    EXPECT_EQ(ToHex(y2), ToHex(y));
    // The trace criterion of CheckPublicKey against n P = O, on points in and out of
    // the subgroup (P + (0, sqrt b) leaves it).
    for (int shifted = 0; shifted < 2; ++shifted) {
      if (shifted) {
        ASSERT_TRUE(m_curve->AddVartime(x, y, t2x, t2y, x, y));
      }
      const bool orderN = !m_curve->MulVartime(x, y, m_curve->Order().N(), x2, y2);
      EXPECT_EQ(m_curve->CheckPublicKeyVartime(x, y), orderN) << "iteration " << i << " shifted " << shifted;
    }
  }
  // A value whose x has no point: w = x + a + b/x^2 of trace 1.
  int refused = 0;
  for (int i = 0; i < 16; ++i) refused += !m_curve->Decompress(RandomElement(), x2, y2);
  EXPECT_GT(refused, 0);
  // Bits at or above m never decompress.
  if (m_params.m % 8 != 0) {
    c = RandomElement();
    c.back() |= 0x80;
    EXPECT_FALSE(m_curve->Decompress(c, x2, y2));
  }
}

TEST_P(Properties, SignVerifyRoundTripAndBitFlips) {
  const ScalarField& order = m_curve->Order();
  Buffer qx = Element(), qy = Element(), hash(32), sig(2 * order.Bytes());
  const Scalar d = RandomScalar();
  m_curve->PublicKey(d, qx, qy);
  for (auto& b : hash) b = static_cast<std::uint8_t>(m_rng());
  for (;;) {
    try {
      SignHash(*m_curve, hash, d, RandomScalar(), sig);
      break;
    } catch (const gostcrypto::CryptoException&) {  // r or s came out 0: draw again
    }
  }
  ASSERT_TRUE(VerifyHash(*m_curve, hash, sig, qx, qy));
  // Every byte of r and s, each at another bit position (steps of 7), and the top bit
  // of each half.
  std::vector<std::size_t> bits = {8 * order.Bytes() - 1, 16 * order.Bytes() - 1};
  for (std::size_t bit = 0; bit < 8 * sig.size(); bit += 7) bits.push_back(bit);
  for (const std::size_t bit : bits) {
    Buffer bad = sig;
    bad[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    EXPECT_FALSE(VerifyHash(*m_curve, hash, bad, qx, qy)) << "signature bit " << bit;
  }
  // Hash bits at and above m do not enter the signature (m < 256).
  for (std::size_t bit = 0; bit < std::min<std::size_t>(8 * hash.size(), m_params.m); bit += 7) {
    Buffer bad = hash;
    bad[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    EXPECT_FALSE(VerifyHash(*m_curve, bad, sig, qx, qy)) << "hash bit " << bit;
  }
  Buffer otherX = Element(), otherY = Element();
  m_curve->PublicKey(RandomScalar(), otherX, otherY);
  EXPECT_FALSE(VerifyHash(*m_curve, hash, sig, otherX, otherY));
  EXPECT_FALSE(VerifyHash(*m_curve, hash, Buffer(sig.size(), 0), qx, qy)) << "r = s = 0";
  EXPECT_FALSE(VerifyHash(*m_curve, hash, Buffer(sig.begin(), sig.end() - 1), qx, qy)) << "odd length";
}

TEST_P(Properties, EncryptionRoundTripAndLadder) {
  Buffer qx = Element(), qy = Element(), piece = RandomElement(), back = Element(), ct(2 * m_size);
  const Scalar d = RandomScalar(), k = RandomScalar();
  m_curve->PublicKey(d, qx, qy);
  EncryptPiece(*m_curve, piece, qx, qy, k, ct);
  DecryptPiece(*m_curve, ct, d, back);
  EXPECT_EQ(ToHex(back), ToHex(piece));

  // The ladder's x(d h R) against wNAF.
  Buffer shared = Element(), rx = Element(), ry = Element(), sx = Element(), sy = Element();
  ASSERT_TRUE(m_curve->Decapsulate(d, Buffer(ct.begin(), ct.begin() + m_size), shared));
  ASSERT_TRUE(m_curve->Decompress(Buffer(ct.begin(), ct.begin() + m_size), rx, ry));
  Scalar h{}, dh;
  h[0] = m_curve->Cofactor();
  m_curve->Order().Mul(dh, d, h);
  ASSERT_TRUE(m_curve->MulVartime(rx, ry, dh, sx, sy));
  EXPECT_EQ(ToHex(shared), ToHex(sx));

  // Another key does not decrypt.
  DecryptPiece(*m_curve, ct, RandomScalar(), back);
  EXPECT_NE(ToHex(back), ToHex(piece));
}

INSTANTIATE_TEST_SUITE_P(NamedCurves, Properties, ::testing::Range<std::size_t>(0, 15),
                         [](const auto& info) { return NamedCurves().at(info.param).name.substr(9); });

}  // namespace
}  // namespace tavrpki::test::dstu

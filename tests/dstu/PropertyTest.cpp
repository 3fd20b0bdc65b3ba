// Group laws and round trips on every named curve with seeded random scalars:
// n G = O, k G by the constant-time comb against the variable-time wNAF,
// (k1 + k2) G = k1 G + k2 G, the ladder against wNAF, the order check against n Q = O,
// compression round trips, sign/verify with bit flips.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ec/Dstu.h"
#include "support/DstuCurves.h"
#include "support/VectorFile.h"

namespace tavrpki::test::dstu {
namespace {

using namespace gostcrypto::ec;
using Buffer = std::vector<std::uint8_t>;

class Properties : public ::testing::TestWithParam<std::size_t> {
 protected:
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
    Buffer bytes(m_curve->Order().Bytes());
    for (Scalar s;;) {
      for (auto& b : bytes) b = static_cast<std::uint8_t>(m_rng());
      if (m_curve->Order().LoadTruncated(s, bytes, m_curve->Order().Bits()) != 0) return s;
    }
  }

  const CurveParams& m_params = NamedCurves().at(GetParam()).params;
  const std::shared_ptr<const Curve> m_curve = BuildCurve(m_params, FieldChoice::kBest);
  const std::size_t m_size = m_curve->ElementBytes();
  std::mt19937 m_rng{static_cast<unsigned>(GetParam()) * 7919u + 1};
};

TEST_P(Properties, ScalarMultiplications) {
  Buffer x = Element(), y = Element(), x2 = Element(), y2 = Element(), sx = Element(), sy = Element();
  EXPECT_FALSE(m_curve->MulVartime(m_params.gx, m_params.gy, m_curve->Order().N(), x, y)) << "n G != O";
  EXPECT_TRUE(m_curve->CheckPublicKeyVartime(m_params.gx, m_params.gy));
  EXPECT_EQ(m_curve->Cofactor(), NamedCurves().at(GetParam()).cofactor);

  Scalar minusOne{1};
  m_curve->Order().Neg(minusOne, minusOne);
  m_curve->PublicKey(minusOne, x, y);  // -(n - 1) G = G: the comb at its top scalar
  EXPECT_EQ(ToHex(x) + ToHex(y), ToHex(m_params.gx) + ToHex(m_params.gy));

  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    const Scalar k1 = RandomScalar(), k2 = RandomScalar();
    Scalar sum, minusK1;
    m_curve->Order().Add(sum, k1, k2);
    m_curve->Order().Neg(minusK1, k1);
    // Comb (constant time) against wNAF (variable time): PublicKey(k) = (n - k) G.
    m_curve->PublicKey(k1, x, y);
    ASSERT_TRUE(m_curve->MulVartime(m_params.gx, m_params.gy, minusK1, x2, y2));
    EXPECT_EQ(ToHex(x) + ToHex(y), ToHex(x2) + ToHex(y2));
    EXPECT_TRUE(m_curve->CheckPublicKeyVartime(x, y));
    // (k1 + k2) G = k1 G + k2 G, all through the comb.
    m_curve->PublicKey(k2, x2, y2);
    m_curve->PublicKey(sum, sx, sy);
    ASSERT_TRUE(m_curve->AddVartime(x, y, x2, y2, x2, y2));
    EXPECT_EQ(ToHex(sx) + ToHex(sy), ToHex(x2) + ToHex(y2));

    // The ladder's x(k1 h R) against wNAF, R = k2 G of the subgroup.
    m_curve->PublicKey(k2, x, y);
    ASSERT_TRUE(m_curve->Compress(x, y, x2));
    ASSERT_TRUE(m_curve->Decapsulate(k1, x2, sx));
    Scalar h{m_curve->Cofactor()}, kh;
    m_curve->Order().Mul(kh, k1, h);
    ASSERT_TRUE(m_curve->MulVartime(x, y, kh, x2, y2));
    EXPECT_EQ(ToHex(sx), ToHex(x2));
  }
}

// The batch of interleaved ladders against one ladder per point, on points in and
// out of the subgroup, across a group boundary (nine points); a batch fails as a
// whole when one of its points would fail alone (not on the curve, order 2).
TEST_P(Properties, DecapsulateBatchMatchesOneByOne) {
  const Scalar d = RandomScalar();
  std::vector<Buffer> r(9, Element()), batch(9, Element());
  Buffer x = Element(), y = Element(), alone = Element();
  for (Buffer& c : r) {
    while (!m_curve->Decompress(RandomElement(), x, y)) {
    }
    ASSERT_TRUE(m_curve->Compress(x, y, c));
  }
  std::vector<Bytes> in(r.begin(), r.end());
  std::vector<MutableBytes> out(batch.begin(), batch.end());
  ASSERT_TRUE(m_curve->DecapsulateBatch(d, in, out));
  for (std::size_t i = 0; i < r.size(); ++i) {
    ASSERT_TRUE(m_curve->Decapsulate(d, r[i], alone));
    EXPECT_EQ(ToHex(batch[i]), ToHex(alone)) << i;
  }
  Buffer bad = Element();
  do {
    bad = RandomElement();
  } while (m_curve->Decompress(bad, x, y));
  for (const Buffer& refused : {bad, Element()}) {  // no point; the point of order 2
    in[4] = refused;
    EXPECT_FALSE(m_curve->Decapsulate(d, refused, alone));
    EXPECT_FALSE(m_curve->DecapsulateBatch(d, in, out));
  }
}

TEST_P(Properties, CompressionRoundTripAndOrderCheck) {
  Buffer x = Element(), y = Element(), c = Element(), x2 = Element(), y2 = Element(), t2x = Element(),
         t2y = Element();
  // (0, sqrt b) is the point of order 2, compressed as 0.
  ASSERT_TRUE(m_curve->Decompress(Element(), t2x, t2y));
  EXPECT_FALSE(m_curve->CheckPublicKeyVartime(t2x, t2y));
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE(i);
    while (!m_curve->Decompress(RandomElement(), x, y)) {  // a random point of any order
    }
    ASSERT_TRUE(m_curve->Compress(x, y, c));
    ASSERT_TRUE(m_curve->Decompress(c, x2, y2));
    EXPECT_EQ(ToHex(x2) + ToHex(y2), ToHex(x) + ToHex(y));
    // The trace criterion of CheckPublicKey against n P = O, on points in and out of
    // the subgroup (P + (0, sqrt b) leaves it).
    for (int shifted = 0; shifted < 2; ++shifted) {
      if (shifted) {
        ASSERT_TRUE(m_curve->AddVartime(x, y, t2x, t2y, x, y));
      }
      const bool orderN = !m_curve->MulVartime(x, y, m_curve->Order().N(), x2, y2);
      EXPECT_EQ(m_curve->CheckPublicKeyVartime(x, y), orderN) << "shifted " << shifted;
    }
  }
  // Some x have no point (x + a + b/x^2 of trace 1); bits at or above m never decompress.
  int refused = 0;
  for (int i = 0; i < 16; ++i) refused += !m_curve->Decompress(RandomElement(), x2, y2);
  EXPECT_GT(refused, 0);
  c.back() |= 0x80;
  EXPECT_TRUE(m_params.m % 8 == 0 || !m_curve->Decompress(c, x2, y2));
}

// A zero r or s (probability about 2^-m) would be refused; the seeds never draw one.
TEST_P(Properties, SignVerifyRoundTripAndBitFlips) {
  const std::size_t half = m_curve->Order().Bytes();
  Buffer qx = Element(), qy = Element(), hash = RandomElement(), sig(2 * half);
  hash.resize(32);
  const Scalar d = RandomScalar();
  m_curve->PublicKey(d, qx, qy);
  SignHash(*m_curve, hash, d, RandomScalar(), sig);
  ASSERT_TRUE(VerifyHash(*m_curve, hash, sig, qx, qy));
  // Every byte of r and s, each at another bit position (steps of 7), and the top bit
  // of each half.
  std::vector<std::size_t> bits = {8 * half - 1, 16 * half - 1};
  for (std::size_t bit = 0; bit < 8 * sig.size(); bit += 7) bits.push_back(bit);
  for (const std::size_t bit : bits) {
    Buffer bad = sig;
    bad[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    EXPECT_FALSE(VerifyHash(*m_curve, hash, bad, qx, qy)) << "signature bit " << bit;
  }
  hash[m_params.m / 16] ^= 0x10;
  EXPECT_FALSE(VerifyHash(*m_curve, hash, sig, qx, qy)) << "a hash bit below m";
  m_curve->PublicKey(RandomScalar(), qx, qy);
  EXPECT_FALSE(VerifyHash(*m_curve, hash, sig, qx, qy)) << "another key";
  EXPECT_FALSE(VerifyHash(*m_curve, hash, Buffer(sig.size(), 0), qx, qy)) << "r = s = 0";
  EXPECT_FALSE(VerifyHash(*m_curve, hash, Buffer(sig.begin(), sig.end() - 1), qx, qy)) << "odd length";
}

INSTANTIATE_TEST_SUITE_P(NamedCurves, Properties, ::testing::Range<std::size_t>(0, 15),
                         [](const auto& info) { return NamedCurves().at(info.param).name.substr(9); });

}  // namespace
}  // namespace tavrpki::test::dstu

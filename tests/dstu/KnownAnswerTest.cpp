// Every vector of tests/data/dstu4145.txt (the standard's worked example, Bouncy
// Castle's, comarch's and cryptonite's vectors, our named-curve vectors incl. all
// five normal-basis curves) through the fastest arithmetic for this CPU and the
// portable kernels; a sample of curve shapes through the generic run-time field.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "support/DstuCurves.h"
#include "ec/Dstu.h"
#include "support/VectorFile.h"

namespace tavrpki::test::dstu {
namespace {

using namespace gostcrypto::ec;

class KnownAnswers : public ::testing::TestWithParam<FieldChoice> {};

// The generic field carries explicit parameters whose polynomial no specialised field
// has. Its arithmetic is checked against the specialised fields on every named degree
// (tests/gf2m), so the curve code over it needs one curve of each shape: a pentanomial
// with the standard's own base point, a trinomial, a normal basis. (All 17 vectors
// would take seconds: each generic curve builds its tables with generic inversions.)
const std::set<std::string> kGenericSample = {"STD-163-appendix", "COMARCH-167PB", "NAMED-233ONB"};

Scalar ToScalar(const Curve& curve, const std::string& hex) {
  Scalar s;
  EXPECT_NE(curve.Order().Load(s, NumberLE(hex)), 0u) << hex << " is not in [1, n-1]";
  return s;
}

TEST_P(KnownAnswers, SignVerifyCompress) {
  const std::vector<Vector> vectors = ReadVectorFile("dstu4145.txt");
  ASSERT_EQ(vectors.size(), 17u);
  std::size_t checked = 0;
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where() + " " + v.Get("name"));
    if (GetParam() == FieldChoice::kGeneric && !kGenericSample.contains(v.Get("name"))) continue;
    ++checked;
    CurveParams params = v.Has("curve_oid") ? CurveByOid(v.Get("curve_oid")).params
                                            : PolyCurveOfDegree(static_cast<unsigned>(std::stoul(v.Get("m")))).params;
    const std::size_t size = (params.m + 7) / 8;
    if (v.Has("Gx")) {  // the standard's example and Bouncy Castle's use their own base points
      params.gx = NumberLE(v.Get("Gx"), size);
      params.gy = NumberLE(v.Get("Gy"), size);
    }
    const auto curve = BuildCurve(params, GetParam());
    const std::size_t half = curve->Order().Bytes();

    const auto qx = NumberLE(v.Get("Qx"), size), qy = NumberLE(v.Get("Qy"), size);
    const auto compressed = NumberLE(v.Get("Q_compressed"), size);
    std::vector<std::uint8_t> x(size), y(size), c(size);
    if (v.Has("d")) {
      curve->PublicKey(ToScalar(*curve, v.Get("d")), x, y);
      EXPECT_EQ(ToHex(x) + ToHex(y), ToHex(qx) + ToHex(qy)) << "Q = -d G";
    }
    ASSERT_TRUE(curve->Compress(qx, qy, c));
    EXPECT_EQ(ToHex(c), ToHex(compressed));
    ASSERT_TRUE(curve->Decompress(compressed, x, y));
    EXPECT_EQ(ToHex(x) + ToHex(y), ToHex(qx) + ToHex(qy));
    EXPECT_TRUE(curve->CheckPublicKeyVartime(qx, qy));

    const auto hash = v.Bytes("hash_bytes");
    const auto sig = v.Bytes("sig_le");
    ASSERT_EQ(sig.size(), 2 * half);
    if (v.Has("e")) {
      std::vector<std::uint8_t> made(2 * half);
      SignHash(*curve, hash, ToScalar(*curve, v.Get("d")), ToScalar(*curve, v.Get("e")), made);
      EXPECT_EQ(ToHex(made), ToHex(sig));
    }
    EXPECT_TRUE(VerifyHash(*curve, hash, sig, qx, qy));
    auto bad = sig;
    bad[half] ^= 1;  // s + 1 or s - 1
    EXPECT_FALSE(VerifyHash(*curve, hash, bad, qx, qy));
    if (v.Has("sig_be_variant")) {
      EXPECT_FALSE(VerifyHash(*curve, hash, v.Bytes("sig_be_variant"), qx, qy)) << "big-endian form accepted";
    }

  }
  EXPECT_EQ(checked, GetParam() == FieldChoice::kGeneric ? kGenericSample.size() : vectors.size());
}

INSTANTIATE_TEST_SUITE_P(Fields, KnownAnswers,
                         ::testing::Values(FieldChoice::kBest, FieldChoice::kClmul, FieldChoice::kPortable,
                                           FieldChoice::kGeneric),
                         [](const auto& info) {
                           return std::string(
                               std::array{"Best", "Clmul", "Portable", "Generic"}[static_cast<int>(info.param)]);
                         });

}  // namespace
}  // namespace tavrpki::test::dstu

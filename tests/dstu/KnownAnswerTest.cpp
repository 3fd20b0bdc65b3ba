// Every vector of tests/data/dstu4145.txt (the standard's worked example, Bouncy
// Castle's, comarch's and cryptonite's vectors, our named-curve vectors incl. all
// five normal-basis curves) through each arithmetic: the fastest for this CPU, the
// portable kernels, and the generic run-time field.
#include <gtest/gtest.h>

#include <vector>

#include "TestCurves.h"
#include "ec/Dstu.h"
#include "support/VectorFile.h"

namespace tavrpki::test::dstu {
namespace {

using namespace gostcrypto::ec;

class KnownAnswers : public ::testing::TestWithParam<FieldChoice> {};

Scalar ToScalar(const Curve& curve, const std::string& hex) {
  Scalar s;
  EXPECT_NE(curve.Order().Load(s, NumberLE(hex)), 0u) << hex << " is not in [1, n-1]";
  return s;
}

TEST_P(KnownAnswers, SignVerifyCompress) {
  const std::vector<Vector> vectors = ReadVectorFile("dstu4145.txt");
  ASSERT_EQ(vectors.size(), 17u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where() + " " + v.Get("name"));
    CurveParams params = v.Has("curve_oid") ? CurveByOid(v.Get("curve_oid")).params
                                            : PolyCurveOfDegree(static_cast<unsigned>(std::stoul(v.Get("m")))).params;
    const std::size_t size = (params.m + 7) / 8;
    if (v.Has("m")) {
      EXPECT_EQ(std::stoul(v.Get("m")), params.m);
    }
    if (v.Has("basis")) {
      EXPECT_EQ(v.Get("basis") == "ONB", params.k == 0);
    }
    if (v.Has("n")) {
      EXPECT_EQ(ToHex(NumberLE(v.Get("n"))), ToHex(params.n));
    }
    if (v.Has("Gx")) {  // the standard's example and Bouncy Castle's use their own base points
      params.gx = NumberLE(v.Get("Gx"), size);
      params.gy = NumberLE(v.Get("Gy"), size);
    }
    const auto curve = BuildCurve(params, GetParam());
    const std::size_t half = curve->Order().Bytes();

    const auto qx = NumberLE(v.Get("Qx"), size), qy = NumberLE(v.Get("Qy"), size);
    const auto compressed = NumberLE(v.Get("Q_compressed"), size);
    if (v.Has("Q_compressed_le")) {
      EXPECT_EQ(ToHex(compressed), ToHex(v.Bytes("Q_compressed_le")));
    }
    std::vector<std::uint8_t> x(size), y(size), c(size);
    if (v.Has("d")) {
      curve->PublicKey(ToScalar(*curve, v.Get("d")), x, y);
      EXPECT_EQ(ToHex(x), ToHex(qx)) << "Q = -d G";
      EXPECT_EQ(ToHex(y), ToHex(qy));
    }
    ASSERT_TRUE(curve->Compress(qx, qy, c));
    EXPECT_EQ(ToHex(c), ToHex(compressed));
    ASSERT_TRUE(curve->Decompress(compressed, x, y));
    EXPECT_EQ(ToHex(x), ToHex(qx));
    EXPECT_EQ(ToHex(y), ToHex(qy));
    EXPECT_TRUE(curve->CheckPublicKeyVartime(qx, qy));

    const auto hash = v.Bytes("hash_bytes");
    const auto sig = v.Bytes("sig_le");
    ASSERT_EQ(sig.size(), 2 * half);
    EXPECT_EQ(ToHex(NumberLE(v.Get("r"), half)), ToHex(std::vector<std::uint8_t>(sig.begin(), sig.begin() + half)));
    EXPECT_EQ(ToHex(NumberLE(v.Get("s"), half)), ToHex(std::vector<std::uint8_t>(sig.begin() + half, sig.end())));
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
      EXPECT_EQ(ToHex(v.Bytes("sig_cms_octetstring_content")), ToHex(sig));
    }

    for (const char* key : {"name", "source", "spki_bitstring_content", "h", "Rx", "L_bytes",
                            "sig_cert_bitstring_content", "checked_by", "domain", "note", "message_ascii"})
      if (v.Has(key)) v.Skip(key);
    v.ExpectAllUsed();
  }
}

INSTANTIATE_TEST_SUITE_P(Fields, KnownAnswers,
                         ::testing::Values(FieldChoice::kBest, FieldChoice::kPortable, FieldChoice::kGeneric),
                         [](const auto& info) {
                           switch (info.param) {
                             case FieldChoice::kBest: return std::string("Best");
                             case FieldChoice::kPortable: return std::string("Portable");
                             default: return std::string("Generic");
                           }
                         });

}  // namespace
}  // namespace tavrpki::test::dstu

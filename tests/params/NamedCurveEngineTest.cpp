// The named-curve table checked by the DSTU 4145 engine: every base point lies on
// its curve and has order n, and compression agrees with the table both ways. Then
// explicit parameters whose base point is not the table's go through the engine.
#include <gtest/gtest.h>

#include <string>

#include "core/Exception.h"
#include "crypto/params/CurveEngine.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"
#include "crypto/params/NamedCurves.h"
#include "crypto/params/PointCompression.h"
#include "gostcrypto/CryptoEngine.h"
#include "support/VectorFile.h"

namespace tavrpki {
namespace {

using test::ReadVectorFile;
using test::ToHex;

std::string Hex(std::span<const std::uint8_t> bytes) { return ToHex(bytes.data(), bytes.size()); }

TEST(NamedCurvesOnTheEngine, BasePointsHaveOrderNAndCompressAsTabled) {
  for (const params::NamedCurve& curve : params::NamedCurves()) {
    SCOPED_TRACE(curve.name);
    gostcrypto::CryptoEngine engine;
    params::LoadCurve(engine, curve);
    // On the curve, not O, n * P = O (the engine also refuses the curve otherwise).
    EXPECT_TRUE(engine.CheckPublicKey(engine.Px, engine.Py));
    const longmath::LongInt c = engine.CompressPoint(engine.Px, engine.Py);
    EXPECT_EQ(Hex(c.Bytes()), Hex(params::LittleEndianFromHex(curve.compressedBasePoint, curve.ByteLength())));
    longmath::LongInt x;
    longmath::LongInt y;
    engine.DecompressPoint(c, x, y);
    EXPECT_EQ(Hex(x.Bytes()), Hex(engine.Px.Bytes()));
    EXPECT_EQ(Hex(y.Bytes()), Hex(engine.Py.Bytes()));
  }
}

// A named curve with another point of order n (a public key) as base point: its
// explicit DER carries that point compressed, and reads back to it.
TEST(NamedCurvesOnTheEngine, ExplicitParametersWithAnotherBasePoint) {
  int count = 0;
  for (const auto& v : ReadVectorFile("params/public-points.vec")) {
    SCOPED_TRACE(v.Get("name"));
    CAsymmetric4145Params p = NamedCurveParams(v.Get("oid"), ByteView(params::kDke1));
    p.curveOid = String();
    p.p = CBasePoint(CBitBlob(v.Get("qx"), p.m), CBitBlob(v.Get("qy"), p.m));

    const ASN1DSTUParams der = ToDstuParams(p);
    EXPECT_EQ(ToHex(der.explicitCurve.bp.Value().Data(), der.explicitCurve.bp.Size()),
              ToHex(v.Bytes("q_compressed_le")));
    Blob encoded;
    der.Encode(encoded);
    CAsymmetric4145Params read;
    DecodeDstuParams(encoded, true, read);
    EXPECT_TRUE(read == p);
    v.ExpectAllUsed();
    ++count;
  }
  EXPECT_GE(count, 13);
}

TEST(NamedCurvesOnTheEngine, PointsOffTheCurveAreRefused) {
  CAsymmetric4145Params p = NamedCurveParams("1.2.804.2.1.1.1.1.3.1.1.2.6", ByteView(params::kDke1));
  p.curveOid = String();
  p.p.Y().SetBit(0, !p.p.GetY().GetBit(0));
  try {
    ToDstuParams(p);
    ADD_FAILURE() << "a point off the curve was compressed";
  } catch (const Exception& error) {
    EXPECT_EQ(error.GetErrorCode(), 40003u);
  }
}

}  // namespace
}  // namespace tavrpki

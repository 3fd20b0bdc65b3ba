// DSTU 4145 domain parameters in DER: every named curve, named and explicit, against
// encodings made independently of this code and against the parameter blocks of
// real Ukrainian certificates; malformed DER gets its code and changes nothing.
// Then the named curves on the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "core/Catalogue.h"
#include "crypto/params/CurveEngine.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"
#include "crypto/params/NamedCurves.h"
#include "crypto/params/PointCompression.h"
#include "gostcrypto/CryptoEngine.h"
#include "support/CodeOf.h"
#include "support/ExpectError.h"
#include "support/VectorFile.h"

namespace tavrpki {
namespace {

using test::ExpectError;
using test::FromHex;
using test::ReadVectorFile;
using test::ToHex;

constexpr const char* k257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";
constexpr const char* k431 = "1.2.804.2.1.1.1.1.3.1.1.2.9";

std::string Hex(const Blob& blob) { return ToHex(blob.Data(), blob.Size()); }
std::string Hex(ByteView bytes) { return ToHex(bytes.data(), bytes.size()); }

Blob Dke1() { return Blob(ByteView(params::kDke1)); }

CAsymmetric4145Params Explicit(const char* oid, const Blob& dke) {
  CAsymmetric4145Params p = NamedCurveParams(oid, dke);
  p.curveOid = String();
  return p;
}

TEST(NamedCurves, TableAgreesWithTheStandardsValues) {
  int count = 0;
  for (const auto& v : ReadVectorFile("named-curves.txt")) {
    SCOPED_TRACE(v.Where());
    const params::NamedCurve* curve = params::FindNamedCurve(v.Get("oid"));
    ASSERT_NE(curve, nullptr);
    // Normal-basis curves have no reduction polynomial; the file lists the
    // polynomial-basis one of the same degree for them.
    std::string poly = std::to_string(curve->k);
    if (curve->IsPentanomial()) poly += "," + std::to_string(curve->j) + "," + std::to_string(curve->l);
    if (v.Get("basis") == "ONB") {
      EXPECT_EQ(poly, "0");
      poly = v.Get("poly");
    }
    const std::pair<const char*, std::string> fields[] = {
        {"name", std::string(curve->name)}, {"m", std::to_string(curve->m)}, {"A", std::to_string(curve->a)},
        {"h", std::to_string(curve->cofactor)}, {"poly", poly}, {"B", std::string(curve->b)},
        {"n", std::string(curve->n)}, {"Gx", std::string(curve->x)}, {"Gy", std::string(curve->y)},
        {"G_compressed", std::string(curve->compressedBasePoint)}};
    for (const auto& [key, value] : fields) EXPECT_EQ(value, v.Get(key)) << key;
    // The little-endian forms are what the engine loads; its own test checks them.
    for (const char* key : {"n_bits", "sources", "verified", "B_le", "G_compressed_le"}) v.Skip(key);
    v.ExpectAllUsed();
    ++count;
  }
  EXPECT_EQ(count, 15);
  EXPECT_EQ(params::NamedCurves().size(), 15u);
}

TEST(NamedCurves, LookupIsByExactOid) {
  for (const char* oid : {"1.2.804.2.1.1.1.1.3.1.1.2.10", "1.2.804.2.1.1.1.1.3.1.1.2", "", "1.2.804.2.1.1.1.1.3.1.1.2.6 "})
    ExpectError([&] { NamedCurveParams(oid, Dke1()); }, kMsgCurveNotFound);
}

// Every named curve, explicit and named, with the dke: decoding gives the table's
// parameters and encoding them gives the same bytes.
TEST(DerForms, EveryNamedCurveBothFormsRoundTrip) {
  int count = 0;
  for (const auto& v : ReadVectorFile("params/der-samples.vec")) {
    for (const auto& [key, value] : v.fields) v.Skip(key);
    if (!v.Has("ecbinary")) continue;
    SCOPED_TRACE(v.Where());
    const std::string oid = v.Get("oid");
    for (const bool named : {false, true}) {
      const auto der = v.Bytes(named ? "dstu4145params_named_with_dke" : "dstu4145params_explicit_with_dke");
      const CAsymmetric4145Params expected = named ? NamedCurveParams(oid, Dke1()) : Explicit(oid.c_str(), Dke1());
      CAsymmetric4145Params read;
      DecodeDstuParams(der, true, read);
      EXPECT_TRUE(read == expected) << named;
      EXPECT_EQ(Hex(EncodeDstuParams(expected)), ToHex(der));
    }
    // The algorithm identifier we write for a public key on this curve.
    const auto spki = v.Bytes("spki_algorithm_identifier_named");
    DerReader algorithm = DerReader(spki).Enter();
    ASN1OID algorithmOid;
    algorithm.Read(algorithmOid);
    EXPECT_STREQ(algorithmOid.ToText().CStr(), PublicKeyAlgorithmOid(Explicit(oid.c_str(), Dke1())));
    ++count;
  }
  EXPECT_EQ(count, 15);
}

// The public key's AlgorithmIdentifier of a certificate:
//   Certificate ::= SEQUENCE { tbsCertificate SEQUENCE { [0] version OPTIONAL, serialNumber,
//     signature, issuer, validity, subject, subjectPublicKeyInfo SEQUENCE { algorithm, ... } ... } ... }
ByteView PublicKeyAlgorithm(ByteView certificate) {
  DerReader tbs = DerReader(certificate).Enter().Enter();
  if (tbs.PeekIdentifier() == 0xA0) tbs.Next();
  for (int field = 0; field < 5; ++field) tbs.Next();
  return tbs.Enter().Next();
}

// Public-key algorithm identifiers observed in independent samples and in real
// certificates: the byte order the OID announces, the parameters the block
// decodes to, and the same bytes again where we write that form ourselves.
TEST(DerForms, ObservedPublicKeyAlgorithmIdentifiers) {
  std::map<std::string, std::vector<std::uint8_t>> samples;
  for (const auto& v : ReadVectorFile("params/der-samples.vec")) {
    for (const auto& [key, value] : v.fields) v.Skip(key);
    if (v.Has("name") && v.Has("der")) samples[v.Get("name")] = v.Bytes("der");
  }
  for (const auto& v : ReadVectorFile("params/observed-algorithm-ids.vec")) {
    const std::string source = v.Get("source"), expected = v.Get("curve");
    SCOPED_TRACE(source);
    const bool isFile = source.rfind("real/", 0) == 0;
    const std::vector<std::uint8_t> bytes = isFile ? test::ReadFileBytes(source) : samples[source];
    ASSERT_FALSE(bytes.empty());
    DerReader algorithm = DerReader(isFile ? PublicKeyAlgorithm(bytes) : ByteView(bytes)).Enter();
    ASN1OID algorithmOid;
    algorithm.Read(algorithmOid);
    const bool storedOrder = IsStoredOrderAlgorithm(algorithmOid.ToText().CStr());
    EXPECT_EQ(storedOrder, expected.find(", le,") != std::string::npos);

    const ByteView block = algorithm.Next();
    CAsymmetric4145Params read;
    DecodeDstuParams(block, storedOrder, read);
    const char* oid = expected.starts_with("257") ? k257 : k431;
    const Blob dke(ByteView(expected.ends_with("dke1") ? params::kDke1 : params::kDefaultSBox));
    EXPECT_TRUE(read == (expected.find("named") != std::string::npos ? NamedCurveParams(oid, dke)
                                                                      : Explicit(oid, dke)));
    if (storedOrder) {
      EXPECT_EQ(Hex(EncodeDstuParams(read)), Hex(block));
    }
  }
}

Blob Encoded(const auto& der) {
  Blob out;
  der.Encode(out);
  return out;
}

TEST(DerForms, ExpandedDkeAndNullBasePoint) {
  const CAsymmetric4145Params p = Explicit(k257, Dke1());
  ASN1DSTUParams der = ToDstuParams(p);

  // An expanded dke (128 bytes) is taken as it stands, but its entries are 4 bits:
  // high nibbles are dropped, never used as row indexes.
  CAsymmetric4145Params target;
  std::vector<std::uint8_t> wide(params::kDke1.begin(), params::kDke1.end());
  for (auto& entry : wide) entry |= 0xF0;
  der.dke.SetValue(wide);
  DecodeDstuParams(Encoded(der), true, target);
  EXPECT_TRUE(target == p);

  // A NULL base point reads as an empty one and is written back as it was.
  der.explicitCurve.bp = ASN1OctetString();
  const Blob nullPoint = Encoded(der.explicitCurve);
  EXPECT_EQ(Hex(nullPoint.View().last(2)), "0500");
  ECBinary curve;
  curve.Decode(nullPoint);
  EXPECT_TRUE(curve.bp.IsEmpty());
  EXPECT_EQ(Hex(Encoded(curve)), Hex(nullPoint));
}

// Malformed parameter DER: the error of each case, and the target keeps its value.
TEST(DerForms, MalformedDer) {
  const std::string good257 = Hex(EncodeDstuParams(Explicit(k257, Dke1())));
  CAsymmetric4145Params target = NamedCurveParams(k431, Dke1());
  const CAsymmetric4145Params before = target;
  for (const auto& v : ReadVectorFile("params/malformed-der.vec")) {
    SCOPED_TRACE(v.Where());
    std::string hex = v.Has("der") ? v.Get("der") : good257;
    if (v.Has("patch")) {
      const std::string patch = v.Get("patch");
      const std::size_t colon = patch.find(':');
      hex.replace(2 * std::stoul(patch.substr(0, colon)), patch.size() - colon - 1, patch.substr(colon + 1));
    }
    const std::string& error = v.Get("error");
    const Message expected = error == "ECBinary" ? kMsgBadECBinaryDecode
                             : error == "curve"  ? kMsgCurveNotFound
                             : error == "version" ? kMsgParamsVersionUnsupported
                                                 : Message{kNoCode, error.c_str()};
    ExpectError([&] { DecodeDstuParams(FromHex(hex), true, target); }, expected);
    EXPECT_TRUE(target == before);
    v.ExpectAllUsed();
  }

  // Every truncation of a complete block is refused without touching the target.
  const auto good = FromHex(good257);
  for (std::size_t size = 0; size < good.size(); ++size)
    EXPECT_ANY_THROW(DecodeDstuParams(ByteView(good).first(size), true, target)) << size;
  EXPECT_TRUE(target == before);
}

TEST(DerForms, EncodingWithoutAChoiceOrPolynomial) {
  ExpectError([] { Blob out; ASN1DSTUParams().Encode(out); }, kMsgBadECBinaryEncode);
  ExpectError([] { Blob out; ECBinary().Encode(out); }, kMsgPolynomialTypeNotSet);
}

// Only the two stored-order algorithm identifiers qualify; a prefix or an extension does not.
TEST(DerForms, StoredOrderNeedsTheWholeOid) {
  for (const char* oid : {"1.2.804.2.1.1.1.1.3.1.1.1.1", "1.2.804.2.1.1.1.1.3.1"})
    EXPECT_FALSE(IsStoredOrderAlgorithm(oid)) << oid;
}

// The named-curve table on the engine: every base point lies on its curve and has
// order n (the engine also refuses the curve otherwise), and compression agrees
// with the table both ways.
TEST(NamedCurvesOnTheEngine, BasePointsHaveOrderNAndCompressAsTabled) {
  for (const params::NamedCurve& curve : params::NamedCurves()) {
    SCOPED_TRACE(curve.name);
    gostcrypto::CryptoEngine engine;
    params::LoadCurve(engine, curve);
    EXPECT_TRUE(engine.CheckPublicKey(engine.Px, engine.Py));
    const longmath::LongInt c = engine.CompressPoint(engine.Px, engine.Py);
    EXPECT_EQ(Hex(c.Bytes()), Hex(params::LittleEndianFromHex(curve.compressedBasePoint, curve.ByteLength())));
    longmath::LongInt x;
    longmath::LongInt y;
    engine.DecompressPoint(c, x, y);
    EXPECT_EQ(Hex(x.Bytes()) + "," + Hex(y.Bytes()), Hex(engine.Px.Bytes()) + "," + Hex(engine.Py.Bytes()));
  }
}

// A named curve with another point of order n (a public key) as base point: its
// explicit DER carries that point compressed, and reads back to it. A point off
// the curve is refused.
TEST(NamedCurvesOnTheEngine, ExplicitParametersWithAnotherBasePoint) {
  int count = 0;
  for (const auto& v : ReadVectorFile("params/public-points.vec")) {
    SCOPED_TRACE(v.Get("name"));
    CAsymmetric4145Params p = Explicit(v.Get("oid").c_str(), Dke1());
    p.p = CBasePoint(CBitBlob(v.Get("qx"), p.m), CBitBlob(v.Get("qy"), p.m));
    const ASN1DSTUParams der = ToDstuParams(p);
    EXPECT_EQ(Hex(der.explicitCurve.bp.Value()), ToHex(v.Bytes("q_compressed_le")));
    CAsymmetric4145Params read;
    DecodeDstuParams(Encoded(der), true, read);
    EXPECT_TRUE(read == p);
    v.ExpectAllUsed();
    ++count;
  }
  EXPECT_GE(count, 13);
  CAsymmetric4145Params p = Explicit(k257, Dke1());
  p.p.Y().SetBit(0, !p.p.GetY().GetBit(0));
  EXPECT_EQ(test::CodeOf([&] { ToDstuParams(p); }), 40003u);
}

}  // namespace
}  // namespace tavrpki

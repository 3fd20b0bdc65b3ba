// DSTU 4145 domain parameters in DER: every named curve, named and explicit, against
// encodings made independently of this code and against the parameter blocks of
// real Ukrainian certificates; malformed DER gets its code and changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "core/Catalogue.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"
#include "crypto/params/NamedCurves.h"
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

std::string NamedOid(const std::string& sampleName) {
  for (const params::NamedCurve& curve : params::NamedCurves())
    if (curve.name == "DSTU4145-" + sampleName) return std::string(curve.oid);
  ADD_FAILURE() << "no curve " << sampleName;
  return {};
}

TEST(NamedCurves, TableAgreesWithTheStandardsValues) {
  int count = 0;
  for (const auto& v : ReadVectorFile("params/named-curves.vec")) {
    SCOPED_TRACE(v.Where());
    const params::NamedCurve* curve = params::FindNamedCurve(v.Get("oid"));
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->name, v.Get("name"));
    EXPECT_EQ(curve->m, std::stoul(v.Get("m")));
    EXPECT_EQ(curve->a, std::stoul(v.Get("A")));
    EXPECT_EQ(curve->cofactor, std::stoul(v.Get("h")));
    // Normal-basis curves have no reduction polynomial; the file lists the
    // polynomial-basis one of the same degree for them.
    std::string poly = std::to_string(curve->k);
    if (curve->IsPentanomial()) poly += "," + std::to_string(curve->j) + "," + std::to_string(curve->l);
    EXPECT_EQ(v.Get("basis") == "ONB" ? "0" : v.Get("poly"), poly);
    if (v.Get("basis") == "ONB") v.Skip("poly");
    EXPECT_EQ(curve->b, v.Get("B"));
    EXPECT_EQ(curve->n, v.Get("n"));
    EXPECT_EQ(curve->x, v.Get("Gx"));
    EXPECT_EQ(curve->y, v.Get("Gy"));
    EXPECT_EQ(curve->compressedBasePoint, v.Get("G_compressed"));
    EXPECT_EQ(ToHex(params::LittleEndianFromHex(curve->b, curve->ByteLength())), ToHex(v.Bytes("B_le")));
    EXPECT_EQ(ToHex(params::LittleEndianFromHex(curve->compressedBasePoint, curve->ByteLength())),
              ToHex(v.Bytes("G_compressed_le")));
    for (const char* key : {"n_bits", "sources", "verified"}) v.Skip(key);
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

TEST(Dke, PackingAndTheTwoTables) {
  EXPECT_EQ(params::PackDke(params::kDefaultSBox)[0], 0x4A);
  EXPECT_EQ(params::UnpackDke(params::PackDke(params::kDefaultSBox)), params::kDefaultSBox);
  EXPECT_EQ(params::PackDke(params::kDke1), params::kDke1Packed);
  // Row 0 of DKE No. 1 as published.
  const std::uint8_t row0[16] = {10, 9, 13, 6, 14, 11, 4, 5, 15, 1, 3, 12, 7, 0, 8, 2};
  EXPECT_TRUE(std::equal(row0, row0 + 16, params::kDke1.begin()));
}

// Every named curve, explicit and named, with the dke: decoding gives the table's
// parameters and encoding them gives the same bytes.
TEST(DerForms, EveryNamedCurveBothFormsRoundTrip) {
  int count = 0;
  for (const auto& v : ReadVectorFile("params/der-samples.vec")) {
    if (!v.Has("ecbinary")) {
      for (const auto& [key, value] : v.fields) v.Skip(key);
      continue;
    }
    SCOPED_TRACE(v.Where());
    const std::string oid = NamedOid(v.Get("name"));
    const CAsymmetric4145Params named = NamedCurveParams(oid, Dke1());
    const CAsymmetric4145Params explicitParams = Explicit(oid.c_str(), Dke1());

    const struct {
      const char* key;
      const CAsymmetric4145Params& expected;
    } forms[] = {{"dstu4145params_explicit_with_dke", explicitParams},
                 {"dstu4145params_named_with_dke", named}};
    for (const auto& form : forms) {
      SCOPED_TRACE(form.key);
      const auto der = v.Bytes(form.key);
      CAsymmetric4145Params read;
      DecodeDstuParams(der, true, read);
      EXPECT_TRUE(read == form.expected);
      EXPECT_EQ(Hex(EncodeDstuParams(form.expected)), ToHex(der));
    }

    // The algorithm identifier we write for a public key on this curve.
    v.Skip("ecbinary");
    const auto spki = v.Bytes("spki_algorithm_identifier_named");
    DerReader algorithm = DerReader(spki).Enter();
    ASN1OID algorithmOid;
    algorithm.Read(algorithmOid);
    EXPECT_STREQ(algorithmOid.ToText().CStr(), PublicKeyAlgorithmOid(named));
    EXPECT_TRUE(IsStoredOrderAlgorithm(algorithmOid.ToText().CStr()));
    v.Skip("kind");
    v.ExpectAllUsed();
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
  struct Expected {
    const char* source;  // a sample in params/der-samples.vec, or a certificate file
    const char* curve;
    bool namedForm;
    bool bigEndian;  // BE identifier without dke: the default S-box, and we write LE
    const params::Dke* dke;
  };
  const Expected expected[] = {
      {"SPKI-AlgorithmIdentifier named curve 257PB + DKE", k257, true, false, &params::kDke1},
      {"SPKI-AlgorithmIdentifier named curve 431PB + DKE", k431, true, false, &params::kDke1},
      {"SPKI-AlgorithmIdentifier explicit ECBinary 257PB + DKE (LE)", k257, false, false, &params::kDke1},
      {"SPKI-AlgorithmIdentifier explicit ECBinary 431PB + DKE (LE)", k431, false, false, &params::kDke1},
      {"SPKI-AlgorithmIdentifier explicit ECBinary 431PB, BE OID, no DKE", k431, false, true, &params::kDefaultSBox},
      // The one real named-curve certificate carries the default S-box as its dke.
      {"SPKI-AlgorithmIdentifier named curve 257PB + NON-DEFAULT DKE", k257, true, false, &params::kDefaultSBox},
      {"real/czo-2020-root.cer", k431, false, false, &params::kDke1},
      {"real/diia-qtsp-ca-2020.cer", k257, false, false, &params::kDke1},
      {"real/diia-tsp-2023.cer", k257, false, false, &params::kDke1},
      {"real/diia-ocsp-2020.cer", k257, false, false, &params::kDke1},
      {"real/diia-test-sign-2022.cer", k257, false, false, &params::kDke1},
      {"real/diia-test-kep-2022.cer", k431, false, false, &params::kDke1},
      {"real/czo-2012-root.cer", k431, false, false, &params::kDke1},
      {"real/justice-ca-2015.cer", k257, false, false, &params::kDke1},
      {"real/privatbank-ca-2012.cer", k431, false, false, &params::kDke1},
      {"real/privatbank-ee-2014-83C539.cer", k431, false, true, &params::kDefaultSBox},
      {"real/privatbank-ee-2014-E06F3A.cer", k431, false, true, &params::kDefaultSBox},
      {"real/test-pki-root.cer", k257, true, false, &params::kDke1},
  };
  std::map<std::string, std::vector<std::uint8_t>> samples;
  for (const auto& v : ReadVectorFile("params/der-samples.vec")) {
    for (const auto& [key, value] : v.fields) v.Skip(key);
    if (v.Has("name") && v.Has("der")) samples[v.Get("name")] = v.Bytes("der");
  }
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.source);
    const bool isFile = std::string(e.source).rfind("real/", 0) == 0;
    const std::vector<std::uint8_t> bytes = isFile ? test::ReadFileBytes(test::DataPath(e.source)) : samples[e.source];
    ASSERT_FALSE(bytes.empty());
    const ByteView der = isFile ? PublicKeyAlgorithm(bytes) : ByteView(bytes);
    DerReader algorithm = DerReader(der).Enter();
    ASN1OID algorithmOid;
    algorithm.Read(algorithmOid);
    const bool storedOrder = IsStoredOrderAlgorithm(algorithmOid.ToText().CStr());
    EXPECT_EQ(storedOrder, !e.bigEndian);

    const ByteView block = algorithm.Next();
    CAsymmetric4145Params read;
    DecodeDstuParams(block, storedOrder, read);
    const Blob dke(ByteView(*e.dke));
    EXPECT_TRUE(read == (e.namedForm ? NamedCurveParams(e.curve, dke) : Explicit(e.curve, dke)));
    if (!e.bigEndian) {
      EXPECT_EQ(Hex(EncodeDstuParams(read)), Hex(block));
    }
  }
}

TEST(DerForms, VersionAbsentDkeAndNullBasePoint) {
  const CAsymmetric4145Params p = Explicit(k257, Dke1());
  ASN1DSTUParams der = ToDstuParams(p);

  // A version other than 0 is written as [0] and refused on conversion.
  der.explicitCurve.version = 1;
  Blob withVersion;
  der.Encode(withVersion);
  EXPECT_EQ(Hex(withVersion.View().subspan(3, 9)), "307aa0030201013007");
  ASN1DSTUParams read;
  read.Decode(withVersion);
  EXPECT_EQ(read.explicitCurve.version, 1u);
  CAsymmetric4145Params target = NamedCurveParams(k431, Dke1());
  const CAsymmetric4145Params before = target;
  ExpectError([&] { FromDstuParams(read, true, target); }, kMsgParamsVersionUnsupported);
  EXPECT_TRUE(target == before);

  // No dke: the default S-box.
  der.explicitCurve.version = 0;
  der.dke = ASN1OctetString();
  Blob noDke;
  der.Encode(noDke);
  DecodeDstuParams(noDke, true, target);
  EXPECT_TRUE(target == Explicit(k257, Blob(ByteView(params::kDefaultSBox))));

  // The expanded table (128 bytes) is taken as it stands.
  der.dke.SetValue(params::kDke1);
  Blob expanded;
  der.Encode(expanded);
  DecodeDstuParams(expanded, true, target);
  EXPECT_TRUE(target == p);
  // Its entries are 4 bits: high nibbles are dropped, never used as row indexes.
  std::vector<std::uint8_t> wide(params::kDke1.begin(), params::kDke1.end());
  for (auto& entry : wide) entry |= 0xF0;
  der.dke.SetValue(wide);
  Blob wideDer;
  der.Encode(wideDer);
  DecodeDstuParams(wideDer, true, target);
  EXPECT_TRUE(target == p);

  // A NULL base point reads as an empty one.
  der.explicitCurve.bp = ASN1OctetString();
  Blob nullPoint;
  der.explicitCurve.Encode(nullPoint);
  EXPECT_EQ(Hex(nullPoint.View().last(2)), "0500");
  ECBinary curve;
  curve.Decode(nullPoint);
  EXPECT_TRUE(curve.bp.IsEmpty());
  Blob again;
  curve.Encode(again);
  EXPECT_EQ(Hex(again), Hex(nullPoint));
}

// Malformed parameter DER: the code of each case, and the target keeps its value.
TEST(DerForms, MalformedDer) {
  const std::string good257 = Hex(EncodeDstuParams(Explicit(k257, Dke1())));
  // 3081B9 30 75 | 3007 020201 01 02010C | 020100 | 0421 … | 0221 … | 0421 … | 0440 …
  const auto replace = [&](std::size_t offset, const std::string& hex) {
    std::string s = good257;
    s.replace(2 * offset, hex.size(), hex);
    return s;
  };
  const Message notEcBinary = kMsgBadECBinaryDecode;
  struct Case {
    std::string hex;
    Message error;
  };
  const Case cases[] = {
      {replace(0, "31"), notEcBinary},   // outer SET
      {replace(3, "31"), notEcBinary},   // ECBinary not a SEQUENCE
      {replace(5, "31"), notEcBinary},   // BinaryField not a SEQUENCE
      {replace(9, "0000"), notEcBinary}, // m = 0
      {replace(11, "04"), notEcBinary},  // polynomial neither INTEGER nor SEQUENCE
      {replace(16, "02"), notEcBinary},  // A = 2
      {replace(14, "01"), {kNoCode, "Error decoding ASN1Integer: Blob is not a valid ASN1Integer"}},
      {replace(17, "02"), {kNoCode, "Error decoding Octet String: Blob is not a valid Octet String"}},
      {replace(3, "3082"), {kNoCode, "Insufficient blob size"}},  // ECBinary longer than the input
      {"3051060D2A86240201010101030101020A0440" + good257.substr(good257.size() - 128), kMsgCurveNotFound},
      {"3012060D2A862402010101010301010206040101", notEcBinary},  // dke shorter than 64 bytes
      {"300402020101", notEcBinary},                              // first element an INTEGER
  };
  CAsymmetric4145Params target = NamedCurveParams(k431, Dke1());
  const CAsymmetric4145Params before = target;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hex);
    ExpectError([&] { DecodeDstuParams(FromHex(c.hex), true, target); }, c.error);
    EXPECT_TRUE(target == before);
  }

  // Every truncation of a complete block is refused without touching the target.
  const auto good = FromHex(good257);
  for (std::size_t size = 0; size < good.size(); ++size) {
    EXPECT_ANY_THROW(DecodeDstuParams(ByteView(good).first(size), true, target)) << size;
  }
  EXPECT_TRUE(target == before);
}

TEST(DerForms, EncodingWithoutAChoiceOrPolynomial) {
  ExpectError([] { Blob out; ASN1DSTUParams().Encode(out); }, kMsgBadECBinaryEncode);
  ExpectError([] { Blob out; ECBinary().Encode(out); }, kMsgPolynomialTypeNotSet);
}

TEST(DerForms, AlgorithmIdentifiers) {
  EXPECT_STREQ(PublicKeyAlgorithmOid(Explicit(k257, Dke1())), "1.2.804.2.1.1.1.1.3.1.1");
  EXPECT_STREQ(PublicKeyAlgorithmOid(Explicit("1.2.804.2.1.1.1.1.3.1.2.2.1", Dke1())), "1.2.804.2.1.1.1.1.3.1.2");
  EXPECT_FALSE(IsStoredOrderAlgorithm("1.2.804.2.1.1.1.1.3.1.1.1.1"));
  EXPECT_FALSE(IsStoredOrderAlgorithm("1.2.804.2.1.1.1.1.3.1"));
}

}  // namespace
}  // namespace tavrpki

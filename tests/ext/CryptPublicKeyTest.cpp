// The key-agreement public key handler and the SubjectPublicKeyInfo form under
// it: keys we generate travel through both forms unchanged, and the keys of the
// real certificates read and write back as tests/data/ext/real-extensions.vec says.
#include <algorithm>
#include <array>
#include <random>

#include "asn1/x509/ASN1Certificate.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"
#include "crypto/params/SubjectPublicKey.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "support/CodeOf.h"
#include "tests/ext/Support.h"

namespace tavrpki::test {
namespace {

dstu::RandomSource Seeded(std::uint32_t seed) {
  auto engine = std::make_shared<std::mt19937>(seed);
  return [engine](std::span<std::uint8_t> out) {
    for (std::uint8_t& byte : out) byte = static_cast<std::uint8_t>((*engine)());
  };
}

void ExpectSameKey(const CKeyPair& read, const CKeyPair& written) {
  EXPECT_TRUE(read.GetPublicKey() == written.GetPublicKey());
  EXPECT_TRUE(read.GetParams() == written.GetParams());
  EXPECT_EQ(read.GetUsage(), CKeyPair::kEncryption);
  EXPECT_EQ(read.GetPrivateKey().GetValue().Size(), 0u);
}

TEST(CryptPublicKey, GeneratedKeysThroughBothForms) {
  OidSandbox sandbox;
  const char* curves[] = {"1.2.804.2.1.1.1.1.3.1.1.2.6",   // 257, trinomial
                          "1.2.804.2.1.1.1.1.3.1.1.2.9",   // 431, pentanomial
                          "1.2.804.2.1.1.1.1.3.1.2.2.3"};  // 233, normal basis
  std::uint32_t seed = 1;
  for (const char* curve : curves) {
    SCOPED_TRACE(curve);
    CAsymmetric4145Params named = NamedCurveParams(curve, params::kDke1);
    CAsymmetric4145Params explicitParams = named;
    explicitParams.curveOid = String("");
    for (const CAsymmetric4145Params& params : {named, explicitParams}) {
      const CKeyPair pair = dstu::GenerateKeyPair(params, CKeyPair::kEncryption, Seeded(seed++));
      PKICryptPublicKey h;
      h.SetKeyPair(pair);
      EXPECT_EQ(h.GetKeyPair().GetPrivateKey().GetValue().Size(), 0u) << "the private key was kept";

      PKICryptPublicKey fromExtension;
      fromExtension.FromExtension(h.ToExtension());
      ExpectSameKey(fromExtension.GetKeyPair(), h.GetKeyPair());
      EXPECT_EQ(Der(fromExtension.ToExtension()), Der(h.ToExtension()));

      PKICryptPublicKey fromAttribute;
      fromAttribute.FromAttribute(h.ToAttribute());
      ExpectSameKey(fromAttribute.GetKeyPair(), h.GetKeyPair());
      // Both forms carry the same SubjectPublicKeyInfo.
      EXPECT_EQ(Der(h.ToAttribute().GetFirstValue()), H(h.ToExtension().Value()));
    }
  }
}

// About half of all x have no point on the curve: such keys fail with 40003, as
// a value that is no SubjectPublicKeyInfo fails, and neither changes the handler.
TEST(CryptPublicKey, FailedReadsChangeNothing) {
  OidSandbox sandbox;
  const CKeyPair pair =
      dstu::GenerateKeyPair(NamedCurveParams("1.2.804.2.1.1.1.1.3.1.1.2.6", params::kDke1), 1, Seeded(7));
  PKICryptPublicKey h;
  h.SetKeyPair(pair);
  const std::string before = Der(h.ToExtension());
  ASN1SubjPubKeyInfo info;
  info.Decode(h.ToExtension().Value());
  Blob key = info.GetKey();
  std::size_t offCurve = 0;
  for (std::uint8_t x = 1; x <= 16; ++x) {
    key.Data()[0] = x;
    info.SetKey(key);
    PKICryptPublicKey reader;
    reader.SetKeyPair(pair);
    const ASN1CertExtension extension(h.GetOID().CStr(), false, info);
    const std::uint64_t code = CodeOf([&] { reader.FromExtension(extension); });
    if (code == 0) continue;
    ++offCurve;
    EXPECT_EQ(code, 40003u);
    EXPECT_EQ(Der(reader.ToExtension()), before);
  }
  EXPECT_GE(offCurve, 1u);
  EXPECT_LE(offCurve, 15u);
  const ASN1CertExtension notAKey(h.GetOID().CStr(), false, ASN1OctetString(B("01")));
  EXPECT_NE(CodeOf([&] { h.FromExtension(notAKey); }), 0u);
  EXPECT_NE(CodeOf([&] { h.FromAttribute(ASN1Attribute(h.GetOID().CStr(), ASN1Utf8String("key"))); }), 0u);
  EXPECT_EQ(Der(h.ToExtension()), before);
}

// Each real certificate's own key, read as a key pair and written again.
TEST(CryptPublicKey, RealCertificateKeys) {
  OidSandbox sandbox;
  for (const Vector& v : ReadVectorFile("ext/real-extensions.vec")) {
    SCOPED_TRACE(v.Where());
    const std::vector<std::uint8_t> der = ReadFileBytes(DataPath(v.Get("file")));
    ASN1Certificate certificate;
    certificate.Decode(ByteView(der));
    const ASN1SubjPubKeyInfo& info = certificate.TBSCertificate().PublicKeyInfo();
    const CKeyPair pair = PublicKeyPairOf(info, CKeyPair::kEncryption);
    const bool same = Der(SubjectPublicKeyInfoOf(pair)) == Der(info);
    EXPECT_EQ(same, v.Get("key") == "same") << v.Get("key");
    // The point read compresses back to the key the certificate carries.
    Blob stored = info.GetKey();
    if (!IsStoredOrderAlgorithm(info.Algorithm().TypeText().CStr()))
      std::reverse(stored.Data(), stored.Data() + stored.Size());
    EXPECT_EQ(H(dstu::CompressPublicKey(pair)), H(stored));
    // The same key under root.1 reads through the handler.
    PKICryptPublicKey h;
    h.FromExtension(ASN1CertExtension(h.GetOID().CStr(), false, info));
    EXPECT_TRUE(h.GetKeyPair().GetPublicKey() == pair.GetPublicKey());
    v.Skip("rewritten");
    v.Skip("not_text");
    v.ExpectAllUsed();
  }
}

// The keys of the self-signed roots, read this way, verify the roots' own signatures.
TEST(CryptPublicKey, SelfSignedRootsVerifyWithTheKeyRead) {
  for (const char* file : {"real/czo-2012-root.cer", "real/czo-2020-root.cer", "real/test-pki-root.cer"}) {
    SCOPED_TRACE(file);
    const std::vector<std::uint8_t> der = ReadFileBytes(DataPath(file));
    ASN1Certificate certificate;
    certificate.Decode(ByteView(der));
    const CKeyPair pair = PublicKeyPairOf(certificate.TBSCertificate().PublicKeyInfo(), CKeyPair::kSigning);
    Blob body;
    certificate.TBSCertificate().GetSignedBytes(body);
    std::array<std::uint8_t, symmetric::kHashSize> hash{};
    symmetric::CalcHash(body, hash, pair.GetParams().dke.Data());
    EXPECT_TRUE(dstu::Verify(pair, hash, certificate.GetSignature()));
    hash[0] ^= 1;
    EXPECT_FALSE(dstu::Verify(pair, hash, certificate.GetSignature()));
  }
}

}  // namespace
}  // namespace tavrpki::test

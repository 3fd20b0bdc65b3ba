// The parameter and key text that the tool prints (crypto/params/ParamsText.h):
// every wrapping of real parameter DER names the same curve, malformed wrappings
// are refused without reading past the input, and the compressed public key made
// from the exported binary forms is the one the signing code compresses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ExceptionBase.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/objects/CKeyPair.h"
#include "crypto/params/ParamsText.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "support/DkeParams.h"
#include "support/Fetch.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

// The SubjectPublicKeyInfo samples name their curve; each must come out named or
// matched to the table whether given whole, as the AlgorithmIdentifier or bare.
TEST(ParamsText, EveryWrappingOfRealSamplesFindsTheCurve) {
  int checked = 0;
  for (const Vector& v : ReadVectorFile("params/der-samples.vec")) {
    for (const auto& [key, value] : v.fields) v.Skip(key);
    if (!v.Has("name") || v.Get("name").rfind("SPKI-full", 0) != 0) continue;
    SCOPED_TRACE(v.Where());
    const auto spki = v.Bytes("der");
    const params::ParamsDescription whole = params::DescribeParamsDer(spki, true);
    ASSERT_NE(whole.curve, nullptr);
    EXPECT_FALSE(whole.algorithmOid.empty());
    // Each truncation is refused or, never, read past its end (ASan watches).
    for (std::size_t size = 0; size < spki.size(); ++size) {
      const std::vector<std::uint8_t> cut(spki.begin(), spki.begin() + static_cast<long>(size));
      try {
        params::DescribeParamsDer(cut, true);
      } catch (const ExceptionBase&) {
      }
    }
    ++checked;
  }
  EXPECT_GE(checked, 3);
}

TEST(ParamsText, MalformedWrappingsAreRefused) {
  // An inner SEQUENCE with empty content (long-form zero length), an empty outer
  // SEQUENCE, an AlgorithmIdentifier without parameters, an empty OID.
  for (const char* hex : {"3003308100", "30023000", "3000", "300D060B2A86240201010101030101", "30020600",
                          "3005300306012A", "30"}) {
    SCOPED_TRACE(hex);
    EXPECT_ANY_THROW(params::DescribeParamsDer(FromHex(hex), true));
  }
}

TEST(ParamsText, NamedAndExplicitDerDescribeTheSameNumbers) {
  for (const params::NamedCurve& curve : params::NamedCurves()) {
    SCOPED_TRACE(std::string(curve.oid));
    const auto named = params::DescribeParamsDer(params::NamedCurveParamsDer(curve.oid, params::kDke1, false), true);
    const auto explicitForm =
        params::DescribeParamsDer(params::NamedCurveParamsDer(curve.oid, params::kDke1, true), true);
    EXPECT_TRUE(named.named);
    EXPECT_EQ(named.curveOid, curve.oid);
    EXPECT_FALSE(explicitForm.named);
    ASSERT_EQ(explicitForm.curve, params::FindNamedCurve(curve.oid));
    EXPECT_EQ(explicitForm.b, named.b);
    EXPECT_EQ(explicitForm.px, named.px);
  }
}

TEST(ParamsText, CompressedKeyFromExportedFormsMatchesTheSigningCode) {
  Kernel::CKernel kernel;
  for (const char* oid : {"1.2.804.2.1.1.1.1.3.1.1.2.0", "1.2.804.2.1.1.1.1.3.1.1.2.6",
                          "1.2.804.2.1.1.1.1.3.1.2.2.0"}) {
    SCOPED_TRACE(oid);
    const Kernel::CKernelAllParams all = MakeParams(kernel, oid);
    const Kernel::CKernelDoubleKeyPair keys = kernel.Generate4145DoubleKeyPair(all, false);
    std::vector<unsigned char> key = Fetch([&](unsigned char* b, unsigned long* l) { keys.GetSignPublicKey(b, l); });
    const auto signParams = keys.GetSignParams();
    const auto buffer = Fetch([&](unsigned char* b, unsigned long* l) { signParams.GetParamsBuffer(b, l); });
    const auto compressed = params::CompressedPublicKey(key, buffer);
    const auto& pair = static_cast<const CDoubleKeyPair*>(keys.GetHandle())->GetSignPair();
    const Blob expected = dstu::CompressPublicKey(pair);
    EXPECT_EQ(ToHex(compressed), ToHex(expected.Data(), expected.Size()));
    // A key whose point is moved off the curve is refused.
    key[key.size() - 1] ^= 1;
    EXPECT_ANY_THROW(params::CompressedPublicKey(key, buffer));
  }
}

}  // namespace
}  // namespace tavrpki::test

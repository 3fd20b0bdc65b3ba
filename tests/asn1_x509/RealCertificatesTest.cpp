// Real certificates of Ukrainian CAs and of a test PKI: each decodes, re-encodes
// to the identical bytes, keeps its body as read for signature checks, and its
// extension values decode to what an independent reading of the DER found and
// re-encode to the bytes read.
#include <functional>
#include <map>
#include <sstream>

#include "tests/asn1_x509/Support.h"

namespace tavrpki::test {
namespace {

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : " ") + word;
  return out;
}

// The value of extension `oid` decoded as T; fails the test when it is absent.
template <typename T>
T ValueOf(const ASN1TBSCert& body, const char* oid) {
  T value;
  const ASN1CertExtension* extension = body.Extensions().Find(oid);
  if (extension == nullptr)
    ADD_FAILURE() << "no extension " << oid;
  else
    extension->DecodeValue(value);
  return value;
}

// The body's bytes in the input: the first element inside the outer SEQUENCE.
ByteView BodyOf(ByteView certificate) { return DerReader(DerReader(certificate).Enter().Rest()).Next(); }

TEST(RealCertificates, DecodeReencodeAndReadTheirExtensions) {
  const std::vector<Vector> vectors = ReadVectorFile("asn1_x509/real-certs.vec");
  ASSERT_GE(vectors.size(), 16u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where() + " " + v.Get("file"));
    const std::vector<std::uint8_t> bytes = ReadFileBytes(v.Get("file"));
    const ByteView input(bytes);
    ASN1Certificate certificate;
    certificate.Decode(input);
    const ASN1TBSCert& body = certificate.TBSCertificate();

    // Signed bytes are the body exactly as read, before and after re-encoding.
    EXPECT_EQ(HexOf(BodyOf(input)), H(Blob(body.SignedBytes())));
    Blob again;
    certificate.Encode(again);
    ASSERT_EQ(H(again), HexOf(ByteView(bytes)));
    EXPECT_EQ(certificate.EncodedSize(), bytes.size());
    Blob signedBytes;
    body.GetSignedBytes(signedBytes);
    EXPECT_EQ(H(signedBytes), H(Blob(BodyOf(input))));

    EXPECT_EQ(std::to_string(body.Version()), v.Get("version"));
    EXPECT_EQ(H(body.SerialNumber().Bytes()), v.Get("serial"));
    EXPECT_STREQ(certificate.SignatureAlgorithm().TypeText().CStr(), v.Get("signature_algorithm").c_str());
    EXPECT_STREQ(body.Signature().TypeText().CStr(), v.Get("signature_algorithm").c_str());
    EXPECT_EQ(Show(body.NotBefore()), v.Get("not_before"));
    EXPECT_EQ(Show(body.NotAfter()), v.Get("not_after"));
    EXPECT_TRUE(body.RawValidity().IsEmpty());
    EXPECT_EQ(std::to_string(certificate.GetSignature().Size()), v.Get("signature_octets"));
    EXPECT_EQ(std::to_string(body.PublicKeyInfo().GetKey().Size()), v.Get("key_octets"));

    std::vector<std::string> extensions;
    for (const ASN1CertExtension& e : body.Extensions())
      extensions.push_back(std::string(e.OidText().CStr()) + (e.IsCritical() ? "!" : ""));
    EXPECT_EQ(Joined(extensions), v.Get("extensions"));

    if (v.Has("key_usage")) {
      // Read as any BIT STRING: the test PKI's 4-byte form loads too.
      const Blob value = body.Extensions().Find("2.5.29.15")->Value();
      EXPECT_EQ(H(value), v.Get("key_usage"));
      ASN1BitString usage;
      usage.Decode(value);
      EXPECT_EQ(EncodeHex(usage), v.Get("key_usage"));
    }
    const auto expect = [&](const char* key, const std::function<std::string()>& reads) {
      if (!v.Has(key)) return;
      EXPECT_EQ(reads(), Joined(Words(v.Get(key)))) << key;
    };
    expect("aki", [&] { return Reads(ValueOf<ASN1AuthKeyID>(body, "2.5.29.35")); });
    expect("basic_constraints", [&] { return Reads(ValueOf<ASN1BasicConstriants>(body, "2.5.29.19")); });
    expect("eku", [&] { return Reads(ValueOf<ASN1ExtKeyUsage>(body, "2.5.29.37")); });
    expect("policies", [&] { return Reads(ValueOf<ASN1CertPolicies>(body, "2.5.29.32")); });
    expect("qc_statements", [&] { return Reads(ValueOf<ASN1QCStatements>(body, "1.3.6.1.5.5.7.1.3")); });
    expect("crl_urls", [&] { return Reads(ValueOf<ASN1DistributionPoint>(body, "2.5.29.31")); });
    if (v.Has("access")) {
      // None of these uses the two methods with a field of their own, so every
      // description is kept as read, in order.
      const ASN1AuthInfoAccess access = ValueOf<ASN1AuthInfoAccess>(body, "1.3.6.1.5.5.7.1.1");
      EXPECT_EQ(Reads(access), v.Get("access"));
      EXPECT_EQ(EncodeHex(access), H(body.Extensions().Find("1.3.6.1.5.5.7.1.1")->Value()));
    }
    // Every known extension value re-encodes to the bytes read, except basic
    // constraints with cA FALSE (always written with the BOOLEAN).
    for (const ASN1CertExtension& e : body.Extensions()) {
      static const std::map<std::string, std::string> kTypes = {
          {"2.5.29.35", "AuthKeyID"},          {"2.5.29.19", "BasicConstraints"},
          {"2.5.29.37", "ExtKeyUsage"},        {"2.5.29.32", "CertPolicies"},
          {"1.3.6.1.5.5.7.1.3", "QCStatements"}, {"1.3.6.1.5.5.7.1.1", "AuthInfoAccess"},
          {"2.5.29.31", "DistributionPoint"},  {"2.5.29.46", "DistributionPoint"}};
      const auto type = kTypes.find(e.OidText().CStr());
      if (type == kTypes.end()) continue;
      const Decoded decoded = DecodeAs(type->second, e.Value());
      const bool endEntity = type->second == "BasicConstraints" && decoded.reads == "EE";
      EXPECT_EQ(decoded.encodes, endEntity ? "3003010100" : H(e.Value())) << type->second;
    }
    v.ExpectAllUsed();
  }
}

}  // namespace
}  // namespace tavrpki::test

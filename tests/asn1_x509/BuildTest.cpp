// Certificates and extension values built by the library: every byte written is
// DER and reads back to the same bytes; the list, signed-bytes and equality rules.
#include "tests/asn1_x509/Support.h"
#include "tests/support/ExpectError.h"

namespace tavrpki::test {
namespace {

ASN1Name NameOf(const char* commonName) {
  ASN1Name name;
  name.AddAttribute("2.5.4.3", ASN1PrintableString(commonName));
  name.AddAttribute("2.5.4.6", ASN1PrintableString("UA"));
  return name;
}

// One of each extension value type, as a CA would issue them.
ExtensionsCollection AllExtensions() {
  ExtensionsCollection list;
  ASN1BasicConstriants ca;
  ca.SetCA(true);
  ca.SetPathLenConstraint(200);
  list.Append(ASN1CertExtension("2.5.29.19", true, ca));
  list.Append(ASN1CertExtension("2.5.29.19", false, ASN1BasicConstriants()));
  for (const std::int32_t wrapped : {0, 1}) {
    ASN1AuthKeyID aki;
    aki.SetKeyIdentifier(ByteView(FromHex("00FF80017F")));
    aki.SetKeyIdentifierWrapped(wrapped);
    aki.AuthorityCertIssuer() = NameOf("Root");
    aki.AuthorityCertSerialNumber().SetValue(0x80);
    list.Append(ASN1CertExtension("2.5.29.35", false, aki));
  }
  ASN1DistributionPoint points;
  points.Urls() = {"http://ca.ua/full.crl", "http://ca.ua/delta.crl"};
  list.Append(ASN1CertExtension("2.5.29.31", false, points));
  ASN1AuthInfoAccess access;
  access.SetFirstUrl("http://ca.ua/tsp");
  access.SetSecondUrl("http://ca.ua/two");
  access.Others().emplace_back("1.3.6.1.5.5.7.48.1", ASN1Primitive(ASN1Primitive::kContextSpecific, false, 6));
  access.Others().back().SetValue([] {
    ASN1Primitive uri(ASN1Primitive::kContextSpecific, false, 6);
    uri.Assign(String::CharsOf("http://ca.ua/ocsp"));
    return uri;
  }());
  list.Append(ASN1CertExtension("1.3.6.1.5.5.7.1.1", false, access));
  ASN1ExtKeyUsage usage;
  usage.Items() = {ASN1OID("1.3.6.1.5.5.7.3.9"), ASN1OID("1.2.804.2.1.1.1.3.9")};
  list.Append(ASN1CertExtension("2.5.29.37", true, usage));
  ASN1CertPolicies policies;
  policies.Items().emplace_back("1.2.804.2.1.1.1.2.2");
  list.Append(ASN1CertExtension("2.5.29.32", true, policies));
  ASN1QCStatements statements;
  statements.Items().emplace_back("1.2.804.2.1.1.1.2.1");
  list.Append(ASN1CertExtension("1.3.6.1.5.5.7.1.3", true, statements));
  return list;
}

// The DER of the last certificate body of the edge-case table whose reading has `part`.
std::vector<std::uint8_t> EdgeCaseBody(const std::string& part) {
  std::vector<std::uint8_t> der;
  for (const Vector& v : ReadVectorFile("asn1_x509/edge-cases.vec"))
    if (v.section == "TBSCertificate" && v.Has("reads") && v.Get("reads").find(part) != std::string::npos)
      der = v.Bytes("der");
  return der;
}

ASN1Certificate BuiltCertificate() {
  ASN1Certificate certificate;
  ASN1TBSCert& body = certificate.TBSCertificate();
  body.SerialNumber().SetBytes(ByteView(FromHex("00E06F3A31973F8370F4166BF3223C347E")));
  body.Signature().SetType(kOidDstuSignaturePolynomial);
  body.Issuer() = NameOf("Root");
  body.Subject() = NameOf("CA");
  body.SetValidity(DateTime(2020, 1, 16, 18, 39, 0), DateTime(2049, 12, 31, 23, 59, 59));
  body.PublicKeyInfo().Algorithm().SetType("1.2.804.2.1.1.1.1.3.1.1");
  body.PublicKeyInfo().Algorithm().SetValue(ASN1OID("1.2.804.2.1.1.1.1.3.1.1.2.6"));
  body.PublicKeyInfo().SetKey(ByteView(std::vector<std::uint8_t>(33, 0xA5)));
  body.Extensions() = AllExtensions();
  certificate.SignatureAlgorithm().SetType(kOidDstuSignaturePolynomial);
  certificate.SetSignature(ByteView(std::vector<std::uint8_t>(200, 0x5A)));  // long form lengths
  return certificate;
}

TEST(BuiltCertificates, EveryByteWrittenIsDerAndReadsBackIdentically) {
  const ASN1Certificate built = BuiltCertificate();
  Blob der;
  built.Encode(der);
  EXPECT_EQ(StrictDerProblem(der), "");
  EXPECT_EQ(built.EncodedSize(), der.Size());
  ASN1Certificate read;
  read.Decode(der);
  Blob again;
  read.Encode(again);
  EXPECT_EQ(H(again), H(der));
  EXPECT_EQ(Summary(read.TBSCertificate()),
            "version=2 serial=00E06F3A31973F8370F4166BF3223C347E from=2020-01-16 18:39:00 to=2049-12-31 23:59:59 "
            "validity=rebuilt extensions=2.5.29.19!,2.5.29.19,2.5.29.35,2.5.29.35,2.5.29.31,1.3.6.1.5.5.7.1.1,"
            "2.5.29.37!,2.5.29.32!,1.3.6.1.5.5.7.1.3!");
  EXPECT_EQ(H(read.GetSignature()), HexOf(ByteView(std::vector<std::uint8_t>(200, 0x5A))));
  EXPECT_EQ(H(read.TBSCertificate().PublicKeyInfo().GetKey()), HexOf(ByteView(std::vector<std::uint8_t>(33, 0xA5))));
  // The OCTET STRING inside the BIT STRING: 03 81 CD 00 04 81 C8 ...
  EXPECT_EQ(H(Blob(ByteView(der).last(207))).substr(0, 14), "0381CC000481C8");

  // Each value, read back from its extension, is written exactly as built.
  for (const ASN1CertExtension& extension : read.TBSCertificate().Extensions()) {
    SCOPED_TRACE(extension.OidText().CStr());
    EXPECT_EQ(StrictDerProblem(extension.Value()), "");
  }
}

TEST(BuiltCertificates, StrictDerCheckerCatchesWhatItClaims) {
  const struct {
    const char* der;
    const char* problem;
  } kCases[] = {
      {"3003010101", "0/0: BOOLEAN not 00/FF"},
      {"300402020001", "0/0: INTEGER not minimal"},
      {"30050203FF8000", "0/0: INTEGER not minimal"},
      {"048105" "0102030405", "0: long form for a short length"},
      {"3080", "0: indefinite length"},
      {"1F2100", "0: high tag number form"},
      {"03020801", "0: bad BIT STRING unused bits"},
      {"30020500" "00", "bytes after the element"},
      {"300702010002027F00", ""},
      {"3007020100020200" "7F", "0/1: INTEGER not minimal"},
  };
  for (const auto& c : kCases) EXPECT_EQ(StrictDerProblem(ByteView(FromHex(c.der))), c.problem) << c.der;
}

TEST(BuiltCertificates, NewBodyWritesVersion3AndAnEmptyExtensionList) {
  ASN1TBSCert body;
  const auto expectNothingToSign = [&] { ExpectError([&] { Blob out; body.GetSignedBytes(out); }, kMsgNothingToSign); };
  expectNothingToSign();
  body.SerialNumber().SetValue(1);
  // A body read back must carry real dates: the time decoders refuse month 0.
  body.SetValidity(DateTime(2026, 1, 2, 3, 4, 5), DateTime(2027, 1, 2, 3, 4, 5));
  Blob der;
  body.Encode(der);
  const std::string hex = H(der);
  EXPECT_EQ(hex.substr(0, 4 + 10), hex.substr(0, 4) + "A003020102");
  EXPECT_EQ(hex.substr(hex.size() - 8), "A3023000");
  Blob signedBytes;
  body.GetSignedBytes(signedBytes);
  EXPECT_EQ(H(signedBytes), hex);
  body.ClearSignedBytes();
  expectNothingToSign();

  // Versions 1 and 2 get no extension field, even with extensions in the list.
  body.Extensions() = AllExtensions();
  for (const std::int32_t version : {0, 1}) {
    body.SetVersion(version);
    body.Encode(der);
    ASN1TBSCert read;
    read.Decode(der);
    EXPECT_EQ(read.Version(), version);
    EXPECT_EQ(read.Extensions().Count(), 0u);
    for (DerReader fields = DerReader(der).Enter(); fields.HasMore();) EXPECT_NE(fields.Next()[0], 0xA3);
  }
}

// New dates replace a validity kept as read; without that the old bytes would be
// signed again under the new dates.
TEST(BuiltCertificates, NewDatesReplaceAKeptValidity) {
  const std::vector<std::uint8_t> generalized = EdgeCaseBody("to=2050");
  ASSERT_FALSE(generalized.empty());
  ASN1TBSCert body;
  body.Decode(ByteView(generalized));
  ASSERT_FALSE(body.RawValidity().IsEmpty());
  body.SetValidity(DateTime(2021, 2, 3, 4, 5, 6), DateTime(2022, 2, 3, 4, 5, 6));
  Blob der;
  body.Encode(der);
  ASN1TBSCert read;
  read.Decode(der);
  EXPECT_TRUE(read.RawValidity().IsEmpty());
  EXPECT_EQ(Show(read.NotBefore()), "2021-02-03 04:05:06");
  EXPECT_EQ(Show(read.NotAfter()), "2022-02-03 04:05:06");
}

// A signature covers the bytes as read, even where this system would write them
// otherwise; after writing, it covers what was written.
TEST(BuiltCertificates, SignedBytesAreTheBytesReadThenTheBytesWritten) {
  const std::vector<std::uint8_t> input = EdgeCaseBody("version=0 ");
  ASSERT_FALSE(input.empty());
  ASN1TBSCert body;
  body.Decode(ByteView(input));
  EXPECT_EQ(HexOf(body.SignedBytes()), HexOf(ByteView(input)));
  Blob written;
  body.Encode(written);
  ASSERT_NE(H(written), HexOf(ByteView(input)));
  EXPECT_EQ(HexOf(body.SignedBytes()), H(written));
}

TEST(ExtensionList, FindAndRemoveTakeTheFirstOfAnOid) {
  ExtensionsCollection list = AllExtensions();
  const std::uint32_t count = list.Count();
  ASN1CertExtension found;
  ASSERT_TRUE(list.Find("2.5.29.19", found));
  EXPECT_TRUE(found.IsCritical());
  list.Remove("2.5.29.19");
  EXPECT_EQ(list.Count(), count - 1);
  ASSERT_TRUE(list.Find("2.5.29.19", found));
  EXPECT_FALSE(found.IsCritical());  // the second one is left, in its place
  EXPECT_STREQ(list.Get(0).OidText().CStr(), "2.5.29.19");
  list.Remove("2.5.29.19");
  EXPECT_FALSE(list.Find("2.5.29.19", found));
  EXPECT_FALSE(found.IsCritical());  // untouched by the failed search
  EXPECT_EQ(list.Find("not an oid"), nullptr);
  list.Remove("1.2.3");  // nothing to remove
  EXPECT_EQ(list.Count(), count - 2);
}

TEST(CertificateEquality, SerialAndIssuerOnly) {
  const ASN1Certificate a = BuiltCertificate();
  ASN1Certificate b = BuiltCertificate();
  b.TBSCertificate().Subject() = NameOf("Somebody else");
  b.SetSignature(ByteView(FromHex("01")));
  EXPECT_TRUE(a.Equals(b));
  // Serials compare as numbers: a leading zero octet does not count.
  b.TBSCertificate().SerialNumber().SetBytes(ByteView(FromHex("E06F3A31973F8370F4166BF3223C347E")));
  EXPECT_TRUE(a.Equals(b));
  b.TBSCertificate().SerialNumber().SetValue(2);
  EXPECT_TRUE(a.NotEquals(b));
  b = BuiltCertificate();
  b.TBSCertificate().Issuer() = NameOf("Other root");
  EXPECT_FALSE(a.Equals(b));
  ExpectError([&] { (void)ASN1Certificate().Equals(a); }, kMsgIntegerCompareFailed);
}

}  // namespace
}  // namespace tavrpki::test

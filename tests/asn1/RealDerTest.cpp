// Real certificates, a CRL and a CMS message from Ukrainian CAs: every element
// decodes, typed values read back, and every element re-encodes to the same bytes.
#include <map>

#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

// "OID" or "OID, one value": an AlgorithmIdentifier, an extension, an attribute.
bool LooksLikeTypeAndValue(ByteView content) {
  DerReader children(content);
  if (!children.HasMore() || children.PeekIdentifier() != 0x06) return false;
  children.Next();
  if (children.HasMore()) children.Next();
  return !children.HasMore();
}

template <typename T>
void ExpectRoundTrip(ByteView element) {
  T value;
  value.Decode(element);
  Blob again;
  value.Encode(again);
  ASSERT_EQ(H(again), H(Blob(element)));
  ASSERT_EQ(value.EncodedSize(), element.size());
}

const std::map<std::uint8_t, void (*)(ByteView)> kTyped = {
    {0x01, ExpectRoundTrip<ASN1Bool>},        {0x02, ExpectRoundTrip<ASN1Integer>},
    {0x03, ExpectRoundTrip<ASN1BitString>},   {0x04, ExpectRoundTrip<ASN1OctetString>},
    {0x06, ExpectRoundTrip<ASN1OID>},         {0x13, ExpectRoundTrip<ASN1PrintableString>},
    {0x17, ExpectRoundTrip<ASN1UTCTime>},     {0x18, ExpectRoundTrip<ASN1GeneralizedTime>},
};

// Checks every element below `in`; returns how many it saw.
std::size_t Walk(ByteView in) {
  std::size_t elements = 0;
  for (DerReader reader(in); reader.HasMore(); ++elements) {
    const ByteView element = reader.Next();
    ExpectRoundTrip<ASN1Primitive>(element);
    ASN1Primitive plain;
    plain.Decode(element);
    if (const auto typed = kTyped.find(element[0]); typed != kTyped.end()) typed->second(element);
    if (element[0] == 0x30 && LooksLikeTypeAndValue(plain.View())) ExpectRoundTrip<ASN1AttrTypeValue>(element);
    if (plain.IsConstructed()) elements += Walk(plain.View());
  }
  return elements;
}

TEST(RealDer, EveryElementReadsAndReencodesIdentically) {
  for (const char* file : {"real/czo-2020-root.cer", "real/diia-qtsp-ca-2020.cer", "real/diia-test-sign-2022.cer",
                           "real/test-pki-root.cer", "real/czo-2012-full-2016.crl", "real/diia-cades-t-attached.p7s"}) {
    SCOPED_TRACE(file);
    const std::vector<std::uint8_t> bytes = ReadFileBytes(file);
    EXPECT_EQ(der::ElementSize(ByteView(bytes)), bytes.size());
    EXPECT_GE(Walk(ByteView(bytes)), 50u);
  }
}

// Certificate ::= SEQUENCE { tbsCertificate SEQUENCE { [0] version OPTIONAL, serialNumber,
//                            signature, issuer Name, validity, subject Name, ... }, ... }
TEST(RealDer, CertificateNamesTimesAndSerials) {
  for (const Vector& v : ReadVectorFile("asn1/real-names.vec")) {
    SCOPED_TRACE(v.Where());
    const std::vector<std::uint8_t> bytes = ReadFileBytes(v.Get("file"));
    ASN1Integer serial;
    ASN1Name issuer, subject;
    ASN1UTCTime notBefore, notAfter;
    DerReader tbs = DerReader(ByteView(bytes)).Enter().Enter();
    if (tbs.PeekIdentifier() == 0xA0) tbs.Next();
    tbs.Read(serial);
    tbs.Next();
    const ByteView issuerDer = tbs.Next();
    DerReader validity = tbs.Enter();
    validity.Read(notBefore);
    validity.Read(notAfter);
    const ByteView subjectDer = tbs.Next();
    ExpectRoundTrip<ASN1Name>(issuerDer);  // real names re-encode to the same bytes
    ExpectRoundTrip<ASN1Name>(subjectDer);
    issuer.Decode(issuerDer);
    subject.Decode(subjectDer);
    // The vector reader trims the separator's final blank.
    EXPECT_EQ(Utf8(subject.ToText().CStr()), v.Get("subject") + " ");
    EXPECT_EQ(Utf8(issuer.ToText().CStr()), v.Get("issuer") + " ");
    EXPECT_EQ(H(serial), v.Get("serial"));
    EXPECT_EQ(Show(notBefore.GetTime()), v.Get("not_before"));
    EXPECT_EQ(Show(notAfter.GetTime()), v.Get("not_after"));
    v.ExpectAllUsed();
  }
}

// A national CA's revocation list holds hundreds of thousands of entries
//   SEQUENCE { userCertificate INTEGER, revocationDate UTCTime }.
// A quadratic reader or writer (copying the rest of the list for every entry) takes
// minutes here instead of well under a second.
TEST(RealDer, HalfAMillionEntriesEncodeAndDecodeLinearly) {
  constexpr std::uint32_t kEntries = 500'000;
  ASN1Integer serial;
  ASN1UTCTime date(DateTime(2016, 9, 9, 20, 53, 16));
  ASN1Primitive entry(0, true, 16), list(0, true, 16);
  for (std::uint32_t i = 0; i < kEntries; ++i) {
    serial.SetValue(0x1000000 + i);
    entry.Clear();
    entry.AppendChild(serial);
    entry.AppendChild(date);
    list.AppendChild(entry);
  }
  Blob der;
  list.Encode(der);
  std::uint32_t count = 0;
  for (DerReader entries = DerReader(der).Enter(); entries.HasMore(); ++count) {
    DerReader fields = entries.Enter();
    fields.Read(serial);
    fields.Read(date);
    ASSERT_EQ(serial.GetValue(), 0x1000000 + count);
    ASSERT_FALSE(fields.HasMore());
  }
  EXPECT_EQ(count, kEntries);
}

}  // namespace
}  // namespace tavrpki::test

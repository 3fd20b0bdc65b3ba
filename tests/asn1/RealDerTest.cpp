// Real certificates, a CRL and a CMS message from Ukrainian CAs: every element
// decodes, typed values read back, and every element re-encodes to the same bytes.
// Plus the revocation-list shape at scale: 500,000 entries in linear time.
#include <gtest/gtest.h>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Bool.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/Der.h"
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

// Does this SEQUENCE content look like a Name (every child a SET holding one
// SEQUENCE that starts with an OID)?
bool LooksLikeName(ByteView content) {
  DerReader children(content);
  if (!children.HasMore()) return false;
  while (children.HasMore()) {
    der::Header set;
    DerReader inside = children.Enter(set);
    if (set.SingleOctet() != 0x31 || !inside.HasMore() || inside.PeekIdentifier() != 0x30) return false;
    DerReader atv = inside.Enter();
    if (inside.HasMore() || !atv.HasMore() || atv.PeekIdentifier() != 0x06) return false;
  }
  return true;
}

template <typename T>
void ExpectTypedRoundTrip(T&& value, ByteView element) {
  value.Decode(element);
  Blob again;
  value.Encode(again);
  ASSERT_EQ(H(again), H(Blob(element)));
  ASSERT_EQ(value.EncodedSize(), element.size());
}

// Walks every element below `in`, checking each one; counts the elements seen.
void Walk(ByteView in, int depth, std::size_t& elements) {
  DerReader reader(in);
  while (reader.HasMore()) {
    const ByteView element = reader.Next();
    ++elements;
    ASN1Primitive plain;
    plain.Decode(element);
    Blob again;
    plain.Encode(again);
    ASSERT_EQ(H(again), H(Blob(element))) << "depth " << depth;

    switch (element[0]) {
      case 0x01: ExpectTypedRoundTrip(ASN1Bool(), element); break;
      case 0x02: ExpectTypedRoundTrip(ASN1Integer(), element); break;
      case 0x03: ExpectTypedRoundTrip(ASN1BitString(), element); break;
      case 0x04: ExpectTypedRoundTrip(ASN1OctetString(), element); break;
      case 0x06: {
        ASN1OID oid;
        ExpectTypedRoundTrip(oid, element);
        ASN1OID fromText(oid.ToText().CStr());  // the text form is exact
        ASSERT_EQ(H(fromText), H(oid)) << oid.ToText().CStr();
        break;
      }
      case 0x13: ExpectTypedRoundTrip(ASN1PrintableString(), element); break;
      case 0x17: {
        ASN1UTCTime time;
        ExpectTypedRoundTrip(time, element);
        ASSERT_STREQ(ASN1UTCTime(time.GetTime()).GetText().CStr(), time.GetText().CStr());
        break;
      }
      case 0x18: {
        ASN1GeneralizedTime time;
        ExpectTypedRoundTrip(time, element);
        ASSERT_STREQ(ASN1GeneralizedTime(time.GetTime()).GetText().CStr(), time.GetText().CStr());
        break;
      }
      case 0x30:
        if (LooksLikeName(plain.View())) {
          ExpectTypedRoundTrip(ASN1Name(), element);
          ASN1Name name;
          name.Decode(element);
          (void)name.ToText();  // every attribute of a real name renders
        } else {
          DerReader first(plain.View());
          if (first.HasMore() && first.PeekIdentifier() == 0x06) {
            // An AlgorithmIdentifier, an extension, an attribute: "OID" or "OID, one
            // value" round-trips; values after the first are not read.
            DerReader probe(plain.View());
            probe.Next();
            if (probe.HasMore()) probe.Next();
            if (!probe.HasMore()) ExpectTypedRoundTrip(ASN1AttrTypeValue(), element);
          }
        }
        break;
      default: break;
    }
    if (plain.IsConstructed()) Walk(plain.View(), depth + 1, elements);
  }
}

TEST(RealDer, EveryElementReadsAndReencodesIdentically) {
  const struct {
    const char* file;
    std::size_t minimumElements;
  } files[] = {
      {"real/czo-2020-root.cer", 100},         {"real/diia-qtsp-ca-2020.cer", 100},
      {"real/diia-test-sign-2022.cer", 100},   {"real/test-pki-root.cer", 50},
      {"real/czo-2012-full-2016.crl", 35 * 3}, {"real/diia-cades-t-attached.p7s", 200},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    const std::vector<std::uint8_t> bytes = ReadFileBytes(f.file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(der::ElementSize(ByteView(bytes)), bytes.size());
    std::size_t elements = 0;
    Walk(ByteView(bytes), 0, elements);
    EXPECT_GE(elements, f.minimumElements);
  }
}

// Issuer and subject of a certificate:
//   Certificate ::= SEQUENCE { tbsCertificate SEQUENCE { [0] version OPTIONAL, serialNumber,
//                              signature, issuer Name, validity, subject Name, ... }, ... }
struct CertificateParts {
  ASN1Integer serial;
  ASN1Name issuer, subject;
  ASN1UTCTime notBefore, notAfter;
};

CertificateParts ReadCertificate(ByteView der) {
  CertificateParts parts;
  DerReader tbs = DerReader(der).Enter().Enter();
  if (tbs.PeekIdentifier() == 0xA0) tbs.Next();
  tbs.Read(parts.serial);
  tbs.Next();
  tbs.Read(parts.issuer);
  DerReader validity = tbs.Enter();
  validity.Read(parts.notBefore);
  validity.Read(parts.notAfter);
  tbs.Read(parts.subject);
  return parts;
}

TEST(RealDer, CertificateNamesTimesAndSerials) {
  for (const Vector& v : ReadVectorFile("asn1/real-names.vec")) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(v.Get("file"));
    const CertificateParts parts = ReadCertificate(ByteView(bytes));
    // The vector reader trims the separator's final blank.
    EXPECT_EQ(Utf8(parts.subject.ToText().CStr()), v.Get("subject") + " ") << v.Where();
    EXPECT_EQ(Utf8(parts.issuer.ToText().CStr()), v.Get("issuer") + " ") << v.Where();
    EXPECT_EQ(H(parts.serial), v.Get("serial")) << v.Where();
    for (const auto& [time, key] : {std::pair{parts.notBefore.GetTime(), "not_before"},
                                    std::pair{parts.notAfter.GetTime(), "not_after"}})
      EXPECT_EQ(String::Formatted("%04d%02d%02d%02d%02d%02d", time.Year(), time.Month(), time.Day(), time.Hour(),
                                  time.Minute(), time.Second())
                    .CStr(),
                v.Get(key))
          << v.Where();
    v.ExpectAllUsed();
  }
}

// A national CA's revocation list holds hundreds of thousands of entries
//   SEQUENCE { userCertificate INTEGER, revocationDate UTCTime }.
// Reading and writing them must stay linear; a quadratic reader (copying the rest
// of the list for every entry) takes minutes here instead of well under a second.
TEST(RealDer, HalfAMillionEntriesDecodeAndReencodeLinearly) {
  constexpr std::uint32_t kEntries = 500'000;
  ASN1Integer serial;
  const ASN1UTCTime date(DateTime(2016, 9, 9, 20, 53, 16));
  ASN1Primitive entry(0, true, 16);
  ASN1Primitive list(0, true, 16);
  for (std::uint32_t i = 0; i < kEntries; ++i) {
    serial.SetValue(0x1000000 + i);
    entry.Clear();
    entry.AppendChild(serial);
    entry.AppendChild(date);
    list.AppendChild(entry);
  }
  Blob der;
  list.Encode(der);
  ASSERT_GT(der.Size(), kEntries * 20);

  // Read every entry and write it straight out again.
  ASN1Primitive written(0, true, 16);
  ASN1UTCTime read;
  std::uint32_t count = 0;
  DerReader entries = DerReader(der).Enter();
  while (entries.HasMore()) {
    DerReader fields = entries.Enter();
    fields.Read(serial);
    fields.Read(read);
    ASSERT_FALSE(fields.HasMore());
    entry.Clear();
    entry.AppendChild(serial);
    entry.AppendChild(read);
    written.AppendChild(entry);
    ++count;
  }
  EXPECT_EQ(count, kEntries);
  EXPECT_EQ(serial.GetValue(), 0x1000000 + kEntries - 1);
  Blob again;
  written.Encode(again);
  EXPECT_TRUE(again.Equals(der));
}

}  // namespace
}  // namespace tavrpki::test

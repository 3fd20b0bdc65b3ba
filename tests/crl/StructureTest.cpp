// The revocation-list structures: the edge cases as a table, the real lists, every
// truncation of a real list, and lists built from fields.
#include <sstream>

#include "tests/crl/Support.h"

namespace tavrpki::test {
namespace {

TEST(CrlStructures, EdgeCaseTable) {
  const std::vector<Vector> vectors = ReadVectorFile("crl/edge-cases.vec");
  ASSERT_GE(vectors.size(), 30u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where());
    const std::vector<std::uint8_t> der = v.Bytes("der");
    if (v.Has("error")) {
      const Failure failure = Catch([&] { DecodeCrlAs(v.section, ByteView(der)); });
      EXPECT_EQ(failure.message, v.Get("error"));
      EXPECT_EQ(failure.code, std::stoull(v.Get("code")));
    } else {
      const Decoded decoded = DecodeCrlAs(v.section, ByteView(der));
      EXPECT_EQ(decoded.reads, v.Get("reads"));
      const std::string encodes = v.Get("encodes");
      EXPECT_EQ(decoded.encodes, encodes == "same" ? HexOf(ByteView(der)) : encodes);
      // Octets kept as read (a serial's leading zeros) may be less than strict.
      if (!v.Has("strict") || v.Get("strict") != "no") {
        EXPECT_EQ(StrictDerProblem(ByteView(FromHex(decoded.encodes))), "");
      }
      // What is written reads back to the same value (or to `rereads`) and the same bytes.
      const Decoded again = DecodeCrlAs(v.section, ByteView(FromHex(decoded.encodes)));
      EXPECT_EQ(again.reads, v.Has("rereads") ? v.Get("rereads") : decoded.reads);
      EXPECT_EQ(again.encodes, decoded.encodes);
    }
    v.ExpectAllUsed();
  }
}

// The body's bytes in the input: the first element inside the outer SEQUENCE.
ByteView BodyOf(ByteView list) { return DerReader(DerReader(list).Enter().Rest()).Next(); }

TEST(CrlStructures, RealListsDecodeAndReencode) {
  const std::vector<Vector> vectors = ReadVectorFile("crl/real-crls.vec");
  ASSERT_EQ(vectors.size(), 5u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where() + " " + v.Get("file"));
    const std::vector<std::uint8_t> bytes = ReadFileBytes(DataPath(v.Get("file")));
    const ByteView input(bytes);
    v.Skip("issuer");
    v.Skip("verify");
    ASN1CRL list;
    list.Decode(input);
    const ASN1TBSCertList& body = list.TBSCertList();
    EXPECT_EQ(HexOf(body.SignedBytes()), HexOf(BodyOf(input)));

    EXPECT_EQ(body.Version(), 2);
    EXPECT_EQ(H(body.CrlNumber().Bytes()), v.Get("number"));
    const ASN1CertExtension* delta = body.CrlExtensions().Find(kOidCrlDeltaIndicator);
    if (v.Get("base") == "-") {
      EXPECT_EQ(delta, nullptr);
    } else if (delta == nullptr) {
      ADD_FAILURE() << "no delta indicator";
    } else {
      ASN1Integer base;
      base.Decode(delta->Value());
      EXPECT_EQ(H(base.Bytes()), v.Get("base"));
    }
    EXPECT_EQ(Show(body.ThisUpdate()), v.Get("this"));
    EXPECT_EQ(Show(body.NextUpdate()), v.Get("next"));
    const CrlEntryList& entries = body.RevokedCertificates();
    EXPECT_EQ(std::to_string(entries.Count()), v.Get("entries"));
    EXPECT_EQ(entries.IsEmpty() ? "-" : Reads(entries.Get(0)), v.Get("first"));
    EXPECT_EQ(entries.IsEmpty() ? "-" : Reads(entries.Get(entries.Count() - 1)), v.Get("last"));
    EXPECT_EQ(Reads(body.CrlExtensions()), v.Get("extensions"));
    EXPECT_EQ(std::to_string(list.GetSignature().Size()), v.Get("signature_octets"));
    EXPECT_STREQ(list.SignatureAlgorithm().TypeText().CStr(), "1.2.804.2.1.1.1.1.3.1.1");

    Blob again;
    list.Encode(again);
    EXPECT_EQ(H(again), HexOf(input));
    EXPECT_EQ(list.EncodedSize(), bytes.size());
    // Each entry alone writes back the bytes it was read from.
    DerReader fields = DerReader(BodyOf(input)).Enter();
    bool pastTimes = false;  // the revoked list is the first SEQUENCE after the times
    while (fields.HasMore() && !(pastTimes && fields.PeekIdentifier() == 0x30))
      pastTimes = fields.Next()[0] == 0x17 || pastTimes;
    if (fields.HasMore()) {
      DerReader revoked = fields.Enter();
      for (std::uint32_t i = 0; revoked.HasMore(); ++i) {
        const ByteView element = revoked.Next();
        EXPECT_EQ(EncodeHex(entries.Get(i)), HexOf(element));
      }
    }
    v.ExpectAllUsed();
  }
}

// Every proper prefix of a real list, and the list with any one byte flipped,
// either loads or fails with one of the list's codes, and a failure leaves the
// loaded list as it was.
TEST(CrlStructures, DamagedRealListFailsCodedAndChangesNothing) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(DataPath("real/czo-2012-full-2016.crl"));
  ASN1CRL list;
  list.Decode(ByteView(bytes));
  const std::string before = Reads(list);
  const auto expectCodedOrLoaded = [&](ByteView damaged, const std::string& what) {
    ASN1CRL target = list;
    try {
      target.Decode(damaged);
    } catch (const Exception& e) {
      EXPECT_TRUE(e.GetErrorCode() == 50035 || e.GetErrorCode() == 50032 || e.GetErrorCode() == 50033)
          << what << ": " << e.GetErrorCode() << " " << e.GetErrorMessage();
      EXPECT_EQ(Reads(target), before) << what;
    }
  };
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    const Failure failure = Catch([&] {
      ASN1CRL target;
      target.Decode(ByteView(bytes.data(), size));
    });
    ASSERT_EQ(failure.code, 50035u) << size;
  }
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    std::vector<std::uint8_t> damaged = bytes;
    damaged[at] ^= 0xFF;
    expectCodedOrLoaded(ByteView(damaged), "byte " + std::to_string(at));
  }
}

ASN1TBSCertList NewBody() {
  ASN1TBSCertList body;
  body.Signature().SetType("1.2.804.2.1.1.1.1.3.1.1");
  body.Issuer().AddAttribute("2.5.4.3", ASN1PrintableString("CA"));
  body.SetThisUpdate(Utc("160909205316Z"));
  return body;
}

TEST(CrlStructures, CrlNumberExtensionIsAppendedOnceAndStays) {
  struct Case {
    std::int64_t number;
    const char* extensionsAfter;
  };
  for (const Case c : {Case{5, "2.5.29.20"}, Case{0, ""}, Case{0x0123456789, "2.5.29.20"}}) {
    SCOPED_TRACE(c.number);
    ASN1TBSCertList body = NewBody();
    body.CrlNumber().SetValue(c.number);
    const std::uint32_t predicted = body.EncodedSize();
    Blob first;
    body.Encode(first);
    EXPECT_EQ(first.Size(), predicted);
    EXPECT_EQ(Reads(body.CrlExtensions()), c.extensionsAfter);
    Blob second;
    body.Encode(second);
    EXPECT_EQ(H(second), H(first));  // appended once, not on every encoding
    EXPECT_EQ(Reads(body.CrlExtensions()), c.extensionsAfter);
    ASN1TBSCertList reread;
    reread.Decode(first);
    EXPECT_EQ(reread.CrlNumber(), body.CrlNumber());
    EXPECT_EQ(StrictDerProblem(first), "");
  }
}

TEST(CrlStructures, BuiltEntriesAndTheirExtensionSequence) {
  ASN1TBSCertList body = NewBody();
  ASN1CrlEntry withReason;
  withReason.UserCertificate().SetValue(0x1234);
  withReason.SetRevocationDate(Utc("130301000000Z"));
  withReason.SetReasonCode(1);
  body.RevokedCertificates().Append(withReason);
  ASN1CrlEntry without;  // a new entry holds no reason code
  without.UserCertificate().SetValue(0x80);
  without.SetRevocationDate(Utc("130302000000Z"));
  body.RevokedCertificates().Append(without);
  ASN1CrlEntry reason255 = without;
  reason255.SetReasonCode(255);
  reason255.Extensions().emplace_back("2.5.29.24", false, ASN1GeneralizedTime(Utc("130301000000Z")));
  body.RevokedCertificates().Append(reason255);

  EXPECT_EQ(EncodeHex(withReason), "30210202123417" "0D3133303330313030303030305A" "300C300A0603551D150403" "0A0101");
  EXPECT_EQ(EncodeHex(without), "301502020080170D3133303330323030303030305A3000");
  Blob der;
  body.Encode(der);
  EXPECT_EQ(StrictDerProblem(der), "");
  ASN1TBSCertList reread;
  reread.Decode(der);
  EXPECT_EQ(Reads(reread), "version=2 number=00 this=2016-09-09 20:53:16 next=- entries=[1234 2013-03-01 00:00:00 r1; "
                           "0080 2013-03-02 00:00:00 r255; 0080 2013-03-02 00:00:00 r255 +2.5.29.24] extensions=");
}

TEST(CrlStructures, AReasonSetOnAReadEntryReplacesTheKeptExtension) {
  // 07, 2013-04-17 09:08:20, a critical reason 10 after an invalidity date.
  ASN1CrlEntry entry;
  entry.Decode(FromHex("303D020107170D3133303431373039303832305A302930180603551D180411180F32303132313231383134"
                       "353034365A300D0603551D150101FF04030A010A"));
  EXPECT_EQ(Reads(entry), "07 2013-04-17 09:08:20 r10 +2.5.29.24,2.5.29.21");
  entry.SetReasonCode(3);
  const std::string expected = "07 2013-04-17 09:08:20 r3 +2.5.29.24";
  ASN1CrlEntry reread;
  reread.Decode(FromHex(EncodeHex(entry)));
  EXPECT_EQ(Reads(reread), expected);
  ASN1TBSCertList body = NewBody();
  body.RevokedCertificates().Append(entry);
  EXPECT_EQ(Reads(body.RevokedCertificates().Get(0)), expected);
}

TEST(CrlStructures, WritingNeedsThisUpdateAndSigningNeedsBytes) {
  ASN1TBSCertList body;
  const Failure noTime = Catch([&] {
    Blob out;
    body.Encode(out);
  });
  EXPECT_EQ(noTime.code, 50034u);
  EXPECT_EQ(noTime.message, "Час створення СВС не встановлено");
  const Failure nothing = Catch([&] {
    Blob out;
    body.GetSignedBytes(out);
  });
  EXPECT_EQ(nothing.code, 50036u);
}

}  // namespace
}  // namespace tavrpki::test

// The real CAdES files: every structure decodes and writes back byte for byte,
// from the outer ContentInfo down to the signing-certificate-v2 value and the
// time-stamp token nested in an unsigned attribute; and every damaged form of one
// of them fails with the code of the structure that was asked to read it.
#include "asn1/cms/ASN1ESSCertIDv2.h"
#include "asn1/cms/CmsOids.h"
#include "asn1/cms/StreamedMessage.h"
#include "asn1_cms/Support.h"
#include "core/Catalogue.h"
#include "support/CodeOf.h"

namespace tavrpki::test {
namespace {

void ExpectSignerRoundTrip(const ASN1SignedData& signedData, const ASN1SignerInfo& signer) {
  Blob der;
  signer.Encode(der);
  ASN1SignerInfo again;
  again.Decode(der);
  EXPECT_EQ(EncodedHex(again), Hex(der));

  // Signed by a certificate the message carries, named by issuer and serial.
  EXPECT_TRUE(signer.SubjectKeyIdentifier().IsEmpty());
  EXPECT_FALSE(signedData.FindSignerCertificate(signer).IsEmpty());

  const ASN1Attribute& essAttribute = signer.GetSignedAttribute(kOidAttrSigningCertificateV2);
  Blob essDer;
  essAttribute.GetFirstValue().Encode(essDer);
  ASN1ESSCertIDv2 ess;
  ess.Decode(essDer);
  EXPECT_TRUE(ess.IsGeneralNames());
  EXPECT_TRUE(ess.Issuer().Equals(signer.Issuer()));
  EXPECT_TRUE(ess.SerialNumber() == signer.SerialNumber());
  EXPECT_EQ(ess.CertHash().Size(), 32u);
  EXPECT_EQ(EncodedHex(ess), Hex(essDer));

  // The bytes a signature covers are the [0] element as it sits in the file.
  const Blob tagged = signer.SignedAttributesBytes(false);
  const Blob standard = signer.SignedAttributesBytes(true);
  ASSERT_FALSE(tagged.IsEmpty());
  EXPECT_EQ(tagged.Data()[0], 0xA0);
  EXPECT_EQ(standard.Data()[0], 0x31);
  EXPECT_NE(Hex(der).find(Hex(tagged)), std::string::npos);
}

TEST(RealMessages, DecodeAndWriteBackByteIdentical) {
  for (const Vector& v : ReadVectorFile("asn1_cms/real-messages.vec")) {
    SCOPED_TRACE(v.Where());
    const std::vector<std::uint8_t> bytes = ReadFileBytes(DataPath(v.Get("file")));
    ASN1ContentInfo info;
    info.Decode(ByteView(bytes));
    EXPECT_STREQ(info.ContentType().ToText().CStr(), kOidSignedData);
    EXPECT_EQ(EncodedHex(info), Hex(ByteView(bytes)));

    const ASN1SignedData signedData = SignedDataOf(ByteView(bytes));
    Blob content;
    info.Content().Encode(content);
    EXPECT_EQ(EncodedHex(signedData), Hex(content));
    EXPECT_EQ(signedData.Version(), 1);
    EXPECT_EQ(std::to_string(signedData.Content().Size()), v.Get("content"));
    EXPECT_EQ(std::to_string(signedData.Certificates().size()), v.Get("certificates"));
    EXPECT_TRUE(signedData.Crls().empty());
    ASSERT_EQ(signedData.SignerInfos().size(), 1u);
    const ASN1SignerInfo& signer = signedData.SignerInfos()[0];
    EXPECT_EQ(TypesOf(signer.SignedAttrs()), v.Get("signed"));
    EXPECT_EQ(TypesOf(signer.UnsignedAttrs()), v.Get("unsigned"));
    EXPECT_EQ(signer.Signature().Size(), 64u);  // raw r || s, not wrapped again
    ExpectSignerRoundTrip(signedData, signer);
    v.ExpectAllUsed();
  }
}

// Both time stamps of the CAdES-T file are signed messages of their own, signed
// by the time-stamp server; they carry no certificate, so the signer is found
// only once the server's certificate is added.
TEST(RealMessages, TimeStampTokensAreNestedSignedMessages) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(DataPath("real/diia-cades-t-attached.p7s"));
  const ASN1SignerInfo signer = SignedDataOf(ByteView(bytes)).SignerInfos().at(0);
  const std::vector<std::uint8_t> server = ReadFileBytes(DataPath("real/diia-tsp-2023.cer"));
  const ASN1Attribute* tokens[] = {&signer.GetSignedAttribute(kOidAttrContentTimeStamp),
                                   &signer.UnsignedAttrs().at(0)};
  for (const ASN1Attribute* token : tokens) {
    Blob der;
    token->GetFirstValue().Encode(der);
    const ASN1SignedData nested = SignedDataOf(der);
    EXPECT_STREQ(nested.ContentType().ToText().CStr(), "1.2.840.113549.1.9.16.1.4");
    ASSERT_EQ(nested.SignerInfos().size(), 1u);
    ASN1SignedData withServer(nested);
    EXPECT_TRUE(withServer.FindSignerCertificate(nested.SignerInfos()[0]).IsEmpty());
    withServer.Certificates().emplace_back(ByteView(ReadFileBytes(DataPath("real/diia-cades-bes-attached.p7s"))));
    withServer.Certificates().emplace_back(ByteView(server));
    EXPECT_EQ(Hex(withServer.FindSignerCertificate(nested.SignerInfos()[0])), Hex(ByteView(server)));
  }
}

// Every truncation of the SignedData, and every change of one identifier octet to
// another tag, fails with 50053 (or decodes to something that writes back
// consistently); the ContentInfo around it gives 50051 for every truncation.
TEST(RealMessages, DamagedMessagesFailWithTheStructuresCode) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(DataPath("real/diia-cades-bes-custom-attrs.p7s"));
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    ASN1ContentInfo info;
    ASSERT_EQ(CodeOf([&] { info.Decode(ByteView(cut)); }), kMsgBadContentInfo.code) << size;
  }
  ASN1ContentInfo info;
  info.Decode(ByteView(bytes));
  Blob content;
  info.Content().Encode(content);
  for (std::uint32_t size = 0; size < content.Size(); ++size) {
    ASN1SignedData signedData;
    ASSERT_EQ(CodeOf([&] { signedData.Decode(ByteView(content.Data(), size)); }), kMsgBadSignedData.code)
        << size;
  }
  // Oversized lengths: each length octet of the outer SEQUENCE raised by one.
  for (std::uint32_t at : {2u, 3u}) {
    Blob grown(content);
    grown.Data()[at] = static_cast<std::uint8_t>(grown.Data()[at] + 1);
    ASN1SignedData signedData;
    EXPECT_EQ(CodeOf([&] { signedData.Decode(grown); }), kMsgBadSignedData.code);
  }
  // Re-tagged identifiers: whatever still decodes re-encodes to bytes that read
  // back the same; nothing else than 50053 ever escapes.
  for (std::uint32_t at = 0; at < content.Size(); ++at) {
    Blob changed(content);
    changed.Data()[at] ^= 0x20;  // constructed bit, or a different tag number
    ASN1SignedData signedData;
    const unsigned long code = CodeOf([&] { signedData.Decode(changed); });
    if (code != 0) {
      ASSERT_EQ(code, kMsgBadSignedData.code) << at;
      continue;
    }
    Blob first;
    signedData.Encode(first);
    ASN1SignedData again;
    again.Decode(first);
    ASSERT_EQ(EncodedHex(again), Hex(first)) << at;
  }
}

}  // namespace
}  // namespace tavrpki::test

namespace tavrpki::test {
namespace {

// The content of an attached message is found from its head, and head plus
// footer rebuild the message without it, signer untouched.
TEST(RealMessages, ContentLocatedAndLeftOut) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(DataPath("real/diia-cades-bes-attached.p7s"));
  const ContentLocation location = LocateContent(ByteView(bytes));
  ASSERT_TRUE(location.attached);
  EXPECT_EQ(location.end, bytes.size());
  EXPECT_EQ(location.length, 43u);
  EXPECT_EQ(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(location.offset),
                        bytes.begin() + static_cast<std::ptrdiff_t>(location.offset + location.length)),
            "The quick brown fox jumps over the lazy dog");

  const ByteView all(bytes);
  const std::vector<std::uint8_t> detached = MessageWithoutContent(
      all.first(static_cast<std::size_t>(location.offset)),
      all.subspan(static_cast<std::size_t>(location.offset + location.length)));
  const ASN1SignedData original = SignedDataOf(all);
  const ASN1SignedData rebuilt = SignedDataOf(ByteView(detached));
  EXPECT_TRUE(rebuilt.Content().IsEmpty());
  ASSERT_EQ(rebuilt.SignerInfos().size(), 1u);
  EXPECT_EQ(EncodedHex(rebuilt.SignerInfos()[0]), EncodedHex(original.SignerInfos()[0]));
  EXPECT_EQ(Hex(rebuilt.Certificates().at(0)), Hex(original.Certificates().at(0)));
  EXPECT_FALSE(LocateContent(ByteView(detached)).attached);

  // A head cut before the content's header, or a footer that is no list of elements.
  EXPECT_EQ(CodeOf([&] { (void)LocateContent(all.first(50)); }), kMsgBadSignedData.code);
  EXPECT_EQ(CodeOf([&] { (void)LocateContent(all.first(10)); }), kMsgBadContentInfo.code);
  const std::uint8_t junk[] = {0x31, 0x05, 0x00};
  EXPECT_EQ(CodeOf([&] {
              (void)MessageWithoutContent(all.first(static_cast<std::size_t>(location.offset)), ByteView(junk));
            }),
            kMsgBadSignedData.code);
}

}  // namespace
}  // namespace tavrpki::test

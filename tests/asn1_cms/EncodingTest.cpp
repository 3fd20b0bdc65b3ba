// Encodings this system fixes where the standards leave room or differ: SETs in
// insertion order, the key-identifier signer, the bare-Name ESSCertIDv2, a
// SignedData without optional parts; and the streamed form of a message, whose
// pieces must add up to the whole for any content size.
#include "asn1/ASN1OctetString.h"
#include "asn1/cms/ASN1ESSCertIDv2.h"
#include "asn1/cms/CmsOids.h"
#include "asn1/cms/StreamedMessage.h"
#include "asn1_cms/Support.h"

namespace tavrpki::test {
namespace {

const char* const kDigestHex = "300C060A2A862402010101010201";
const char* const kDataTypeHex = "06092A864886F70D010701";

ASN1SignedData EmptySignedData() {
  ASN1SignedData signedData;
  signedData.DigestAlgorithms().emplace_back(kOidGost34311);
  signedData.SetContentType(kOidData);
  return signedData;
}

ASN1SignerInfo KeyIdSigner() {
  ASN1SignerInfo signer;
  const std::vector<std::uint8_t> keyId(20, 0x11);
  signer.SetSubjectKeyIdentifier(ByteView(keyId));
  signer.SetDigestAlgorithm(ASN1AttrTypeValue(kOidGost34311));
  signer.SetSignatureAlgorithm(ASN1AttrTypeValue("1.2.804.2.1.1.1.1.3.1.1"));
  // Types B then A: written B, A.
  signer.MutableSignedAttrs().emplace_back("1.2.3.5", ASN1OctetString(ByteView(keyId.data(), 1)));
  signer.MutableSignedAttrs().emplace_back("1.2.3.4", ASN1OctetString(ByteView(keyId.data(), 2)));
  signer.SetSignature(ByteView(keyId.data(), 4));
  return signer;
}

TEST(CmsEncoding, FixedForms) {
  const std::string keyId(40, '1');
  struct Case {
    const char* name;
    std::string actual;
    std::string expected;
  } cases[] = {
      {"SignedData without content, certificates, CRLs or signers", EncodedHex(EmptySignedData()),
       std::string("3022020101310E") + kDigestHex + "300B" + kDataTypeHex + "3100"},
      {"signer by key identifier, attributes in insertion order", EncodedHex(KeyIdSigner()),
       "3059020103A0160414" + keyId + kDigestHex + "A019300A0603" + "2A0305" + "3103040111" +
           "300B0603" + "2A0304" + "310404021111" + "300D060B2A86240201010101030101" + "040411111111"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(CmsEncoding, ReadForms) {
  // RFC 5652's implicit [0] key identifier is read and kept.
  ASN1SignerInfo implicit;
  std::string hex = EncodedHex(KeyIdSigner());
  hex.replace(10, 8, "8014");
  hex.replace(2, 2, "57");
  implicit.Decode(Blob(ByteView(FromHex(hex))));
  EXPECT_EQ(Hex(implicit.SubjectKeyIdentifier()), std::string(40, '1'));
  EXPECT_EQ(EncodedHex(implicit), hex);

  // A SignedData whose last element is not a SET has no signers.
  std::string noSigners = EncodedHex(EmptySignedData());
  noSigners.replace(noSigners.size() - 4, 4, "3000");
  ASN1SignedData signedData = EmptySignedData();
  signedData.SignerInfos().push_back(KeyIdSigner());
  signedData.Decode(Blob(ByteView(FromHex(noSigners))));
  EXPECT_TRUE(signedData.SignerInfos().empty());

  // The signing-certificate-v2 value in both issuer shapes reads back as written.
  for (bool generalNames : {false, true}) {
    ASN1ESSCertIDv2 ess;
    ess.SetHashAlgorithm(ASN1AttrTypeValue(kOidGost34311));
    const std::vector<std::uint8_t> hash(32, 0xAB);
    ess.SetCertHash(ByteView(hash));
    ASN1Name issuer;
    issuer.SetSerialNumber("UA-1");
    ess.SetIssuer(issuer);
    ess.SetSerialNumber(ASN1Integer(0x1234));
    ess.SetGeneralNames(generalNames);
    Blob der;
    ess.Encode(der);
    ASN1ESSCertIDv2 again;
    again.Decode(der);
    EXPECT_EQ(again.IsGeneralNames(), generalNames);
    EXPECT_EQ(EncodedHex(again), Hex(der));
    EXPECT_EQ(Hex(again.CertHash()), Hex(ByteView(hash)));
  }
}

// Header, content octets and footer form exactly the message written whole.
TEST(CmsEncoding, StreamedPiecesAddUpToTheWhole) {
  for (std::uint32_t size : {0u, 1u, 127u, 128u, 300u, 65536u}) {
    SCOPED_TRACE(size);
    ASN1SignedData signedData = EmptySignedData();
    signedData.Certificates().emplace_back(ByteView(FromHex("300100")));
    signedData.SignerInfos().push_back(KeyIdSigner());
    std::vector<std::uint8_t> data(size);
    for (std::uint32_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    signedData.Content().Assign(ByteView(data));
    ASN1ContentInfo info;
    info.SetContentType(kOidSignedData);
    Blob body;
    signedData.Encode(body);
    ASN1Primitive element;
    element.Decode(body);
    info.SetContent(element);

    const Blob footer = signedData.StreamFooter();
    for (bool detached : {false, true}) {
      Blob streamed = signedData.StreamHeader(detached ? 0 : size, footer.Size(), detached);
      if (!detached) streamed.Append(ByteView(data));
      streamed.Append(footer);
      if (detached) {
        const std::vector<std::uint8_t> bytes(streamed.begin(), streamed.end());
        const ASN1SignedData read = SignedDataOf(ByteView(bytes));
        EXPECT_TRUE(read.Content().IsEmpty());
        EXPECT_EQ(read.SignerInfos().size(), 1u);
      } else {
        EXPECT_EQ(Hex(streamed), EncodedHex(info));
      }
    }
  }
}

// Past 4 GiB every length that counts the content takes five octets; each one
// also counts the footer (0x100 bytes here) that follows the content.
TEST(CmsEncoding, StreamHeaderForContentOf4GiB) {
  const std::uint64_t size = std::uint64_t{1} << 32;
  const std::string expected = std::string("3085010000014C") + "06092A864886F70D010702" + "A085010000013A" +
                               "30850100000133" + "020101" + "310E" + kDigestHex + "30850100000019" +
                               kDataTypeHex + "A0850100000007" + "04850100000000";
  const Blob header = EmptySignedData().StreamHeader(size, 0x100, false);
  EXPECT_EQ(Hex(header), expected);
  // A reader of streamed messages finds the content from those five-octet lengths.
  const ContentLocation location = LocateContent(header.View());
  EXPECT_EQ(location.offset, header.Size());
  EXPECT_EQ(location.length, size);
  EXPECT_EQ(location.end, header.Size() + size + 0x100);
}

}  // namespace
}  // namespace tavrpki::test

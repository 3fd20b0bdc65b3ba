#include "asn1/tsp/TokenFacts.h"

#include "asn1/NameText.h"
#include "asn1/cms/ASN1ContentInfo.h"
#include "asn1/cms/ASN1SignedData.h"
#include "asn1/cms/CmsOids.h"

namespace tavrpki::tsp {
namespace {

std::string UpperHex(ByteView bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t octet : bytes) {
    text += kDigits[octet >> 4];
    text += kDigits[octet & 15];
  }
  return text;
}

}  // namespace

TokenFacts ReadTokenFacts(std::span<const std::uint8_t> token) {
  ASN1OID type;
  const ByteView content = ASN1ContentInfo::ReadContent(token, type);
  ASN1SignedData signedData;
  signedData.Decode(content);
  TokenFacts facts;
  facts.info = DecodeTstInfo(signedData.Content().View());
  if (!signedData.SignerInfos().empty()) {
    const ASN1SignerInfo& signer = signedData.SignerInfos().front();
    Blob issuer;
    signer.Issuer().Encode(issuer);
    facts.signerIssuer = NameTextUtf8(issuer.View());
    facts.signerSerial = UpperHex(signer.SerialNumber().Bytes().View());
    const Blob certificate = signedData.FindSignerCertificate(signer);
    facts.signerCertificate.assign(certificate.begin(), certificate.end());
  }
  return facts;
}

bool NamesTokenSigner(std::span<const std::uint8_t> token, std::span<const std::uint8_t> certificate) {
  ASN1OID type;
  ASN1SignedData signedData;
  signedData.Decode(ASN1ContentInfo::ReadContent(token, type));
  if (signedData.SignerInfos().empty()) return false;
  ASN1SignedData holding;
  holding.Certificates().emplace_back(ByteView(certificate));
  return !holding.FindSignerCertificate(signedData.SignerInfos().front()).IsEmpty();
}

SignatureTimeStamp SignatureTimeStampOf(std::span<const std::uint8_t> signerInfo) {
  ASN1SignerInfo signer;
  signer.Decode(signerInfo);
  SignatureTimeStamp result;
  result.signature.assign(signer.Signature().begin(), signer.Signature().end());
  for (const ASN1Attribute& attribute : signer.UnsignedAttrs())
    if (attribute.TypeText() == kOidAttrSignatureTimeStamp) {
      Blob der;
      attribute.GetFirstValue().Encode(der);
      result.token.assign(der.begin(), der.end());
      break;
    }
  return result;
}

}  // namespace tavrpki::tsp

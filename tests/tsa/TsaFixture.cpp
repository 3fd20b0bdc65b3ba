#include "tsa/TsaFixture.h"

#include "asn1/ASN1PrintableString.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/cms/ASN1SignedData.h"
#include "asn1/x509/ASN1Certificate.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelSignatureEnvelope.h"
#include "support/CertificateDraft.h"
#include "support/DkeParams.h"
#include "support/Fetch.h"

namespace tavrpki::test {

Bytes TimeStampingUsage(bool critical, const char* otherPurpose) {
  Bytes purposes = {0x06, 0x08, 0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03, 0x08};
  if (otherPurpose != nullptr) {
    const Bytes other = {0x06, 0x08, 0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03, static_cast<std::uint8_t>(*otherPurpose)};
    purposes.insert(purposes.end(), other.begin(), other.end());
  }
  Bytes value = {0x30, static_cast<std::uint8_t>(purposes.size())};
  value.insert(value.end(), purposes.begin(), purposes.end());
  Bytes body = {0x06, 0x03, 0x55, 0x1D, 0x25};
  if (critical) body.insert(body.end(), {0x01, 0x01, 0xFF});
  body.push_back(0x04);
  body.push_back(static_cast<std::uint8_t>(value.size()));
  body.insert(body.end(), value.begin(), value.end());
  Bytes extension = {0x30, static_cast<std::uint8_t>(body.size())};
  extension.insert(extension.end(), body.begin(), body.end());
  return extension;
}

TsaIdentity MakeIdentity(const Kernel::CKernel& kernel, const Bytes& usage) {
  params::Dke dke = params::kDke1;
  Kernel::CKernelDoubleKeyPair keys = kernel.Generate4145DoubleKeyPair(MakeParams(kernel), true);

  ASN1Certificate draft;
  ASN1TBSCert& body = draft.TBSCertificate();
  body.SerialNumber().SetValue(0x7537);
  body.Issuer().AddAttribute("2.5.4.3", ASN1Utf8String("placeholder"));
  body.Subject().AddAttribute("2.5.4.3", ASN1Utf8String("Test TSA"));
  body.Subject().AddAttribute("2.5.4.6", ASN1PrintableString("UA"));
  body.SetValidity(DateTime(2026, 1, 1), DateTime(2036, 1, 1));
  const Bytes der = EncodeDraft(draft);
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  if (!usage.empty()) cert.AddExtension(usage.data(), static_cast<unsigned long>(usage.size()));
  cert.SetCertSignKeys(keys);
  cert.MakeIssuerEqualSubject();
  cert.Ensign(keys, dke.data());
  return {keys, Fetch([&](unsigned char* b, unsigned long* l) { cert.GetCertBuffer(b, l); })};
}

tsp::TimeStampReq Request(Bytes nonce, bool certReq) {
  tsp::TimeStampReq request;
  request.messageImprint.hashedMessage.assign(32, 0xA5);
  request.nonce = std::move(nonce);
  request.certReq = certReq;
  return request;
}

Token OpenToken(std::span<const std::uint8_t> response) {
  const tsp::TimeStampResp decoded = tsp::DecodeTimeStampResp(response);
  EXPECT_EQ(decoded.status.status, tsp::kGranted);
  Token token;
  token.der = decoded.timeStampToken;
  if (token.der.empty()) {
    ADD_FAILURE() << "no token";
    return token;
  }
  Kernel::CKernelSignatureEnvelope envelope(Kernel::GetKernelInstance());
  envelope.InitFromBuffer(token.der.data(), static_cast<unsigned long>(token.der.size()));
  token.content = Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetData(b, l); });
  token.info = tsp::DecodeTstInfo(token.content);
  token.certificates = envelope.GetCertCount();
  const auto& signedData = *static_cast<const ASN1SignedData*>(envelope.GetHandle());
  token.signedDataVersion = signedData.Version();
  token.contentType = signedData.ContentType().ToText().CStr();
  if (signedData.SignerInfos().size() == 1)
    for (const ASN1Attribute& attribute : signedData.SignerInfos()[0].SignedAttrs())
      token.signedAttributes.emplace_back(attribute.TypeText().CStr());
  return token;
}

std::unique_ptr<servers::TimeStampAuthority> TsaTest::Start(servers::TsaSettings settings) {
  if (settings.statePath.empty()) settings.statePath = m_directory.File("serial");
  return std::make_unique<servers::TimeStampAuthority>(m_kernel, m_identity.certificate, m_identity.keys,
                                                       std::move(settings));
}

}  // namespace tavrpki::test

#include "kernel/pkix/TimeStamp.h"

#include <cstring>

#include <tavrpki/CertStorage.h>

#include "asn1/cms/ASN1ContentInfo.h"
#include "asn1/cms/ASN1SignedData.h"
#include "asn1/cms/CmsOids.h"
#include "asn1/x509/ExtensionValues.h"
#include "core/Catalogue.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "kernel/pkix/Certificate.h"
#include "kernel/pkix/SignedBody.h"
#include "net/HttpTransport.h"

namespace tavrpki::pkix {
namespace {

constexpr const char* kOidExtendedKeyUsage = "2.5.29.37";

ASN1SignedData SignedDataOf(ByteView token) {
  ASN1OID type;
  const ByteView content = ASN1ContentInfo::ReadContent(token, type);
  ASN1SignedData signedData;
  signedData.Decode(content);
  return signedData;
}

const ASN1SignerInfo& FirstSigner(const ASN1SignedData& signedData) {
  if (signedData.SignerInfos().empty()) Raise(kMsgSignedDataError);
  return signedData.SignerInfos().front();
}

std::int32_t TAVRPKI_STORAGE_CALLBACK KeepCandidate(void* context, std::int64_t, const std::uint8_t* der,
                                                    std::uint32_t length) {
  static_cast<ASN1SignedData*>(context)->Certificates().emplace_back(ByteView(der, length));
  return 1;
}

// The certificate of `storage` that names the signer (as one inside the token
// would: issuer and serial, or subject key identifier); empty when none does.
Blob StoredSignerCertificate(CertStorage& storage, const ASN1SignerInfo& signer) {
  ASN1SignedData found;  // the candidates, searched as a message's own certificates are
  CertQuery* query = storage.CreateQuery();
  try {
    const bool byKeyId = !signer.SubjectKeyIdentifier().IsEmpty();
    const Blob& value = byKeyId ? signer.SubjectKeyIdentifier() : signer.SerialNumber().Bytes();
    query->AddCriterion(byKeyId ? kCriterionSubjectKeyId : kCriterionSerialNumber, value.Data(), value.Size());
    storage.FindCertificates(query, &found, &KeepCandidate);
  } catch (...) {
    storage.ReleaseQuery(query);
    throw;
  }
  storage.ReleaseQuery(query);
  return found.FindSignerCertificate(signer);
}

void RequireTimeStamping(const ASN1Certificate& cert) {
  const ASN1CertExtension* extension = cert.TBSCertificate().Extensions().Find(kOidExtendedKeyUsage);
  if (extension == nullptr) Raise(kMsgTspSignerNoExtendedKeyUsage);
  ASN1ExtKeyUsage usages;
  extension->DecodeValue(usages);
  for (const ASN1OID& purpose : usages.Items())
    if (std::strcmp(purpose.ToText().CStr(), tsp::kOidTimeStamping) == 0) return;
  Raise(kMsgTspSignerNoExtendedKeyUsage);
}

}  // namespace

tsp::Bytes TimeStampRequest(const MessageHash& hash) {
  tsp::TimeStampReq request;
  request.messageImprint.hashedMessage.assign(hash.begin(), hash.end());
  return tsp::Encode(request);
}

TimeStampAnswer ReadTimeStampAnswer(ByteView response) {
  tsp::TimeStampResp read = tsp::DecodeTimeStampResp(response);
  return TimeStampAnswer{read.status.status, std::move(read.timeStampToken)};
}

TimeStampAnswer RequestTimeStamp(const char* url, const MessageHash& hash) {
  const tsp::Bytes request = TimeStampRequest(hash);
  net::HttpTransport transport(url);
  const Blob response = transport.SendTimeStampQuery(ByteView(request));
  return ReadTimeStampAnswer(response.View());
}

tsp::TstInfo TokenInfo(ByteView token) {
  const ASN1SignedData signedData = SignedDataOf(token);
  return tsp::DecodeTstInfo(signedData.Content().View());
}

bool VerifyToken(ByteView token, const MessageHash& hash, CertStorage* storage) {
  const ASN1SignedData signedData = SignedDataOf(token);
  const ASN1SignerInfo& signer = FirstSigner(signedData);
  Blob certificateDer = signedData.FindSignerCertificate(signer);
  if (certificateDer.IsEmpty() && storage != nullptr) certificateDer = StoredSignerCertificate(*storage, signer);
  if (certificateDer.IsEmpty()) Raise(kMsgSignedDataError);
  ASN1Certificate cert;
  cert.Decode(certificateDer);
  RequireTimeStamping(cert);

  const tsp::TstInfo info = tsp::DecodeTstInfo(signedData.Content().View());
  if (info.messageImprint.hashedMessage.size() != hash.size() ||
      std::memcmp(info.messageImprint.hashedMessage.data(), hash.data(), hash.size()) != 0)
    return false;

  // The signature covers the TSTInfo as the token carries it, never a re-encoding.
  const CKeyPair key = CertificateSignKey(cert);
  MessageHash contentHash{};
  symmetric::CalcHash(signedData.Content().View(), contentHash, HashSBox(key.GetParams()));
  return VerifySignerInfo(signer, contentHash, key).Valid();
}

}  // namespace tavrpki::pkix

#include "kernel/pkix/Ocsp.h"

#include <algorithm>
#include <array>

#include "asn1/ocsp/ASN1OCSPResponse.h"
#include "asn1/ocsp/OcspOids.h"
#include "core/Catalogue.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "ext/ExtensionOids.h"
#include "ext/PKIAuthKeyId.h"
#include "ext/PKIAuthorityInfo.h"
#include "ext/PKIExtendedKeyUsage.h"
#include "kernel/pkix/Certificate.h"
#include "kernel/pkix/SignedBody.h"
#include "net/HttpTransport.h"

namespace tavrpki::pkix {
namespace {

// Reads the certificate's extension `oid` into `handler`; `absent` when missing
// (a malformed value fails with the value's own code).
void RequireExtension(const ASN1Certificate& cert, const char* oid, PKIEntityBase& handler, const Message& absent) {
  const ASN1CertExtension* extension = cert.TBSCertificate().Extensions().Find(oid);
  if (extension == nullptr) Raise(absent);
  handler.FromExtension(*extension);
}

// The signature octets as this system carries them (an OCTET STRING inside the
// BIT STRING), or the BIT STRING's bytes themselves when they are no such thing.
bool VerifyResponseSignature(const ASN1OCSPResponse& response, const CKeyPair& signer) {
  const String oid = response.SignatureAlgorithm().TypeText();
  const std::string_view algorithm = oid.CStr();
  const Blob& raw = response.SignatureValue().Bytes();
  Blob wrapped;
  try {
    wrapped = response.GetSignature();
  } catch (const Exception&) {
    return VerifyBody(response.TBSResponse(), algorithm, raw.View(), signer);
  }
  // Responders that put the bare signature into the BIT STRING are answered too.
  return VerifyBody(response.TBSResponse(), algorithm, wrapped.View(), signer) ||
         VerifyBody(response.TBSResponse(), algorithm, raw.View(), signer);
}

}  // namespace

ASN1OCSPCertID OcspCertIdOf(const ASN1Certificate& cert, bool withNameHash) {
  PKIAuthKeyId authorityKeyId;
  RequireExtension(cert, kOidAuthorityKeyIdentifier, authorityKeyId, kMsgNoAuthorityKeyIdExtension);
  ASN1OCSPCertID id;
  id.HashAlgorithm().SetType(kOidOcspCertIdHash);
  id.SetIssuerKeyHash(authorityKeyId.GetKeyId().View());
  id.SerialNumber() = cert.TBSCertificate().SerialNumber();
  if (withNameHash) {
    Blob issuer;
    cert.TBSCertificate().Issuer().Encode(issuer);
    std::array<std::uint8_t, 32> hash{};
    symmetric::CalcHash(issuer.View(), hash, HashSBox(CertificateSignKey(cert).GetParams()));
    id.SetIssuerNameHash(hash);
  }
  return id;
}

ASN1OCSPRequest OcspRequestFor(const ASN1Certificate& cert) {
  ASN1OCSPRequest request;
  request.TBSRequest().RequestList().push_back(OcspCertIdOf(cert, true));
  return request;
}

Blob FetchOcspResponse(const char* url, const ASN1Certificate& cert) {
  Blob request;
  OcspRequestFor(cert).Encode(request);
  net::HttpTransport transport(url);
  return transport.SendOcspRequest(request.View());
}

String OcspUrlOf(const ASN1Certificate& cert) {
  PKIAuthorityInfo access;
  RequireExtension(cert, kOidAuthorityInfoAccess, access, kMsgNoAuthorityInfoAccess);
  if (access.GetFirstUrl().Length() == 0) Raise(kMsgBadAuthorityInfoAccessFormat);
  return access.GetFirstUrl();
}

const char* OcspStatusText(std::uint8_t responseStatus) {
  switch (responseStatus) {
    case kOcspMalformedRequest: return Cp1251<"Некорректний запит">;
    case kOcspInternalError: return Cp1251<"Внутрішня помилка на сервері">;
    case kOcspTryLater: return Cp1251<"Сервіс тимчасово недоступний">;
    case kOcspSigRequired: return Cp1251<"Необхідний підпис на запиті">;
    case kOcspUnauthorized: return Cp1251<"Неавторизований запит">;
    default: return Cp1251<"Статус невизначений">;
  }
}

OcspStatus CheckOcspResponse(ByteView responseDer, const ASN1Certificate& cert, const FindByKeyId& find,
                             ASN1Certificate& responder) {
  const ASN1OCSPCertID expected = OcspCertIdOf(cert, false);

  ASN1OCSPResponse response;
  response.Decode(responseDer);
  if (response.ResponseStatus() != kOcspSuccessful)
    Raise(kMsgOcspServerError, static_cast<int>(response.ResponseStatus()), OcspStatusText(response.ResponseStatus()));

  const ASN1OCSP_TBSResponse& body = response.TBSResponse();
  // Only a responder identified by the hash of its key can be looked up.
  if (body.ResponderKeyHash().IsEmpty()) Raise(kMsgOcspNoIssuerKeyHash);
  ASN1Certificate signer;
  if (!find(body.ResponderKeyHash().View(), signer)) Raise(kMsgOcspSignerCaNotFound);

  PKIExtendedKeyUsage purposes;
  RequireExtension(signer, kOidExtendedKeyUsage, purposes, kMsgOcspSignerNoExtendedKeyUsage);
  const std::vector<String>& list = purposes.GetList();
  if (std::none_of(list.begin(), list.end(), [](const String& oid) { return oid.Equals(kOidOcspSigning); }))
    Raise(kMsgOcspSignerCannotSignOcsp);

  if (!VerifyResponseSignature(response, CertificateSignKey(signer))) Raise(kMsgOcspSignatureUnverifiable);

  const std::vector<ASN1OCSPSingleResponse>& singles = body.Responses();
  const auto single = std::find_if(singles.begin(), singles.end(),
                                   [&](const ASN1OCSPSingleResponse& s) { return s.CertID().Matches(expected); });
  if (single == singles.end()) Raise(kMsgOcspNoCertificateStatus);

  OcspStatus status;
  status.certStatus = single->CertStatus();
  if (status.certStatus != kOcspGood) {
    status.revocationReason = single->RevocationReason();
    status.revocationTime = single->RevocationTime();
  }
  responder = std::move(signer);
  return status;
}

}  // namespace tavrpki::pkix

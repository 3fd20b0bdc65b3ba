#include "OcspResponder.h"

#include <exception>

#include "asn1/ocsp/ASN1OCSPRequest.h"
#include "asn1/ocsp/ASN1OCSPResponse.h"
#include "core/ExceptionBase.h"
#include "kernel/CKernelException.h"
#include "servers/CallerBuffer.h"

namespace tavrpki::servers {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kPolynomialBasisSignature = "1.2.804.2.1.1.1.1.3.1.1";
constexpr const char* kNormalBasisSignature = "1.2.804.2.1.1.1.1.3.1.2";
constexpr unsigned long kSignatureRoom = 256;

Bytes SignPublicKey(const Kernel::CKernelDoubleKeyPair& keys) {
  return Fetch([&](unsigned char* b, unsigned long* l) { keys.GetSignPublicKey(b, l); });
}

Bytes ToBytes(const Blob& blob) { return Bytes(blob.begin(), blob.end()); }

// Whole seconds: GeneralizedTime of RFC 5280 profiles carries no fractions.
DateTime NowToTheSecond() {
  DateTime now;
  now.SetNow();
  SYSTEMTIME time = now.SystemTime();
  time.wMilliseconds = 0;
  return DateTime(time);
}

DateTime Later(const DateTime& time, std::chrono::seconds by) {
  DateTime later = time;
  later.AddOffset(0, static_cast<int>(std::chrono::duration_cast<std::chrono::minutes>(by).count()));
  return later;
}

}  // namespace

OcspResponder::OcspResponder(const Kernel::CKernel& kernel, std::span<const std::uint8_t> caCertDer,
                             std::span<const std::uint8_t> responderCertDer,
                             const Kernel::CKernelDoubleKeyPair& responderKeys, CertStatusSource& statuses,
                             Settings settings)
    : m_kernel(kernel),
      m_keys(responderKeys),
      m_params(kernel),
      m_responderDer(responderCertDer.begin(), responderCertDer.end()),
      m_statuses(statuses),
      m_settings(settings) {
  Kernel::CKernelCertificate responder(kernel);
  responder.InitFromBuffer(m_responderDer.data(), static_cast<unsigned long>(m_responderDer.size()), false);
  if (SignPublicKey(m_keys) != SignPublicKey(responder.GetCertSignKey()))
    throw ResponderSetupError("the responder key does not match the responder certificate");
  try {
    m_responderKeyId = Fetch([&](unsigned char* b, unsigned long* l) { responder.GetSubjectKeyId(b, l); });
  } catch (const Kernel::CKernelException&) {
    throw ResponderSetupError(
        "the responder certificate has no subject key identifier, by which clients find it");
  }
  Kernel::CKernelCertificate ca(kernel);
  ca.InitFromBuffer(caCertDer.data(), static_cast<unsigned long>(caCertDer.size()), false);
  try {
    m_caKeyId = Fetch([&](unsigned char* b, unsigned long* l) { ca.GetSubjectKeyId(b, l); });
  } catch (const Kernel::CKernelException&) {
    throw ResponderSetupError("the CA certificate has no subject key identifier, by which requests name it");
  }
  // The generator is reseeded before every signature from the random S-box
  // (DKE No. 1, the parameters' default) and the signing set's own S-box.
  const Kernel::CKernelAsymmetricParams signParams = m_keys.GetSignParams();
  m_params.SetSignParams(signParams);
  m_params.SetCryptParams(m_keys.GetCryptParams());
  const bool normalBasis =
      signParams.GetAsymmetric_k() == 0 && signParams.GetAsymmetric_j() == 0 && signParams.GetAsymmetric_l() == 0;
  m_signatureOid = normalBasis ? kNormalBasisSignature : kPolynomialBasisSignature;
}

Bytes OcspResponder::StatusOnly(std::uint8_t status) {
  // OCSPResponse ::= SEQUENCE { responseStatus ENUMERATED }
  return Bytes{0x30, 0x03, 0x0A, 0x01, status};
}

Bytes OcspResponder::Answer(std::span<const std::uint8_t> request) const {
  ASN1OCSPRequest parsed;
  try {
    parsed.Decode(ByteView(request.data(), request.size()));
  } catch (const ExceptionBase&) {
    return StatusOnly(kOcspMalformedRequest);
  }
  if (parsed.TBSRequest().RequestList().empty()) return StatusOnly(kOcspMalformedRequest);
  try {
    ASN1OCSPResponse response;
    ASN1OCSP_TBSResponse& body = response.TBSResponse();
    body.SetResponderKeyHash(ByteView(m_responderKeyId.data(), m_responderKeyId.size()));
    const DateTime now = NowToTheSecond();
    body.SetProducedAt(now);
    for (const ASN1OCSPCertID& id : parsed.TBSRequest().RequestList()) {
      ASN1OCSPSingleResponse single;
      single.CertID() = id;
      single.SetThisUpdate(now);
      single.SetNextUpdate(Later(now, m_settings.validity));
      CertStatus status;
      const bool ours = id.HashAlgorithm().TypeText() == String(kOidOcspCertIdHash) &&
                        ToBytes(id.IssuerKeyHash()) == m_caKeyId;
      if (ours) status = m_statuses.Find(std::span(id.SerialNumber().Bytes().Data(), id.SerialNumber().Bytes().Size()));
      switch (status.kind) {
        case CertStatus::Kind::kGood:
          single.SetCertStatus(kOcspGood);
          break;
        case CertStatus::Kind::kRevoked:
          single.SetCertStatus(kOcspRevoked);
          single.SetRevocationTime(DateTime(status.revocationTime));
          single.SetRevocationReason(status.reason);
          break;
        case CertStatus::Kind::kUnknown:
          single.SetCertStatus(kOcspUnknown);
          break;
      }
      body.Responses().push_back(std::move(single));
    }
    const Blob nonce = parsed.TBSRequest().Nonce();
    if (!nonce.IsEmpty()) {
      ASN1CertExtension echo;
      echo.SetOid(kOidOcspNonce);
      echo.SetValue(nonce.View());
      body.ResponseExtensions().Append(echo);
    }

    Blob signedBytes;
    body.Encode(signedBytes);
    // Room for the largest curve's pair at once: a size query would sign too.
    Bytes signature(kSignatureRoom);
    unsigned long length = kSignatureRoom;
    m_kernel.EnsignBuffer(signedBytes.Data(), signedBytes.Size(), signature.data(), &length, m_keys, m_params);
    signature.resize(length);
    response.SignatureAlgorithm().SetType(m_signatureOid.c_str());
    response.SetSignature(ByteView(signature.data(), signature.size()));
    response.Certificates().push_back(Blob(ByteView(m_responderDer.data(), m_responderDer.size())));
    Blob der;
    response.Encode(der);
    return ToBytes(der);
  } catch (const ExceptionBase&) {
    return StatusOnly(kOcspInternalError);
  } catch (const std::exception&) {
    return StatusOnly(kOcspInternalError);
  }
}

}  // namespace tavrpki::servers

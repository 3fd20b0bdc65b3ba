#include "asn1/ocsp/ASN1OCSPResponse.h"

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/Der.h"
#include "asn1/ocsp/OcspShapes.h"
#include "asn1/x509/ASN1SubjPubKeyInfo.h"
#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {

// ---- ResponseData -------------------------------------------------------------

ASN1OCSP_TBSResponse::ASN1OCSP_TBSResponse()
    : m_responseExtensions(ocsp::ExtensionsTagged(1)) {}

ASN1Primitive ASN1OCSP_TBSResponse::Sequence() const {
  ASN1Primitive body(TagClass(), IsConstructed(), TagNumber());
  if (m_versionRead) {
    ASN1Primitive version(kContextSpecific, true, 0);
    version.AppendChild(ASN1Integer(m_version));
    body.AppendChild(version);
  }
  if (!m_responderKeyHash.IsEmpty()) {
    ASN1Primitive byKey(kContextSpecific, true, 2);
    byKey.AppendChild(ASN1OctetString(m_responderKeyHash.View()));
    body.AppendChild(byKey);
  } else {
    ASN1Primitive byName(kContextSpecific, true, 1);
    byName.AppendChild(m_responderName);
    body.AppendChild(byName);
  }
  body.AppendChild(ASN1GeneralizedTime(m_producedAt));
  ASN1Primitive list(kUniversal, true, 16);
  for (const ASN1OCSPSingleResponse& single : m_responses) list.AppendChild(single);
  body.AppendChild(list);
  if (m_responseExtensions.Count() != 0) body.AppendChild(m_responseExtensions);
  return body;
}

void ASN1OCSP_TBSResponse::Encode(Blob& out) const {
  Sequence().Encode(out);
  KeepSignedBytes(out.View());
}

std::uint32_t ASN1OCSP_TBSResponse::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1OCSP_TBSResponse::Decode(ByteView in) {
  ocsp::Coded(kMsgBadOcspResponse,
              {kMsgBadTbsCertificate.code, kMsgBadOcspSingleRequest.code, kMsgBadOcspSingleResponse.code}, [&] {
                // 50026 is among the codes kept, so a body that is no SEQUENCE reports it.
                auto [whole, fields] = x509::OpenSignedBody(in, kMsgBadTbsCertificate);
                ASN1OCSP_TBSResponse body;
                if (const auto version = ocsp::ReadVersion(fields, kMsgBadOcspResponse)) {
                  body.m_version = *version;
                  body.m_versionRead = true;
                }
                if (x509::NextIs(fields, 0xA1)) {
                  DerReader tagged = x509::Enter(fields, 0xA1, kMsgBadOcspResponse);
                  tagged.Read(body.m_responderName);
                } else {
                  DerReader tagged = x509::Enter(fields, 0xA2, kMsgBadOcspResponse);
                  ASN1OctetString hash;
                  tagged.Read(hash);
                  body.m_responderKeyHash.Assign(hash.Value());
                }
                ASN1GeneralizedTime producedAt;
                fields.Read(producedAt);
                body.m_producedAt = producedAt.GetTime();
                DerReader list = x509::Enter(fields, 0x30, kMsgBadOcspResponse);
                while (list.HasMore()) {
                  ASN1OCSPSingleResponse single;
                  single.Decode(list.Next());
                  body.m_responses.push_back(std::move(single));
                }
                if (x509::NextIs(fields, 0xA1))
                  ocsp::ReadExtensions(x509::Enter(fields, 0xA1, kMsgBadOcspResponse), body.m_responseExtensions,
                                       kMsgBadOcspResponse);
                body.KeepSignedBytes(whole);
                *this = std::move(body);
              });
}

// ---- OCSPResponse ---------------------------------------------------------------

Blob ASN1OCSPResponse::GetSignature() const { return OctetsInBitString(m_signatureValue); }

void ASN1OCSPResponse::SetSignature(ByteView signature) { PutOctetsInBitString(m_signatureValue, signature); }

ASN1Primitive ASN1OCSPResponse::Sequence() const {
  ASN1Primitive response(TagClass(), IsConstructed(), TagNumber());
  ASN1Integer status;
  status.SetTagNumber(10);  // ENUMERATED
  status.SetValue(m_responseStatus);
  response.AppendChild(status);
  if (m_responseStatus != kOcspSuccessful) return response;

  ASN1Primitive basic(kUniversal, true, 16);
  basic.AppendChild(m_tbsResponse);
  basic.AppendChild(m_signatureAlgorithm);
  basic.AppendChild(m_signatureValue);
  if (!m_certificates.empty()) {
    ASN1Primitive list(kUniversal, true, 16);
    for (const Blob& certificate : m_certificates) list.Blob::Append(certificate.View());
    ASN1Primitive tagged(kContextSpecific, true, 0);
    tagged.AppendChild(list);
    basic.AppendChild(tagged);
  }
  Blob basicDer;
  basic.Encode(basicDer);
  ASN1Primitive bytes(kUniversal, true, 16);
  bytes.AppendChild(ASN1OID(kOidOcspBasicResponse));
  bytes.AppendChild(ASN1OctetString(basicDer.View()));
  ASN1Primitive tagged(kContextSpecific, true, 0);
  tagged.AppendChild(bytes);
  response.AppendChild(tagged);
  return response;
}

void ASN1OCSPResponse::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1OCSPResponse::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1OCSPResponse::Decode(ByteView in) {
  ocsp::Coded(kMsgBadOcspResponse,
              {kMsgBadTbsCertificate.code, kMsgBadOcspSingleRequest.code, kMsgBadOcspSingleResponse.code}, [&] {
                DerReader fields = x509::Open(in, 0x30, kMsgBadOcspResponse);
                ASN1OCSPResponse response;
                ASN1Integer status;
                status.SetTagNumber(10);  // ENUMERATED
                fields.Read(status);
                const std::int64_t value = status.GetValue();
                if (value < 0 || value > 0xFF) Raise(kMsgBadOcspResponse);
                response.m_responseStatus = static_cast<std::uint8_t>(value);

                if (response.m_responseStatus == kOcspSuccessful) {
                  DerReader tagged = x509::Enter(fields, 0xA0, kMsgBadOcspResponse);
                  DerReader bytes = x509::Enter(tagged, 0x30, kMsgBadOcspResponse);
                  ASN1OID type;
                  bytes.Read(type);
                  if (!type.ToText().Equals(kOidOcspBasicResponse)) Raise(kMsgBadOcspResponse);
                  ASN1OctetString octets;
                  bytes.Read(octets);

                  DerReader basic = x509::Open(octets.Value().View(), 0x30, kMsgBadOcspResponse);
                  basic.Read(response.m_tbsResponse);
                  basic.Read(response.m_signatureAlgorithm);
                  basic.Read(response.m_signatureValue);
                  if (x509::NextIs(basic, 0xA0)) {
                    DerReader certs = x509::Enter(basic, 0xA0, kMsgBadOcspResponse);
                    DerReader list = x509::Enter(certs, 0x30, kMsgBadOcspResponse);
                    while (list.HasMore()) response.m_certificates.emplace_back(list.Next());
                  }
                }
                *this = std::move(response);
              });
}

}  // namespace tavrpki

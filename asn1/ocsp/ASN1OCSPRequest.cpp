#include "asn1/ocsp/ASN1OCSPRequest.h"

#include "asn1/ASN1Integer.h"
#include "asn1/Der.h"
#include "asn1/ocsp/OcspOids.h"
#include "asn1/ocsp/OcspShapes.h"
#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {

ASN1OCSP_TBSRequest::ASN1OCSP_TBSRequest()
    : ASN1Primitive(kUniversal, true, 16), m_requestExtensions(ocsp::ExtensionsTagged(2)) {}

Blob ASN1OCSP_TBSRequest::Nonce() const {
  const ASN1CertExtension* nonce = m_requestExtensions.Find(kOidOcspNonce);
  return nonce == nullptr ? Blob() : nonce->Value();
}

ASN1Primitive ASN1OCSP_TBSRequest::Sequence() const {
  ASN1Primitive body(TagClass(), IsConstructed(), TagNumber());
  ASN1Primitive version(kContextSpecific, true, 0);
  version.AppendChild(ASN1Integer(m_version));
  body.AppendChild(version);
  if (m_requestorName.Count() != 0) {
    ASN1Primitive name(kContextSpecific, true, 1);
    name.AppendChild(m_requestorName);
    body.AppendChild(name);
  }
  ASN1Primitive list(kUniversal, true, 16);
  for (const ASN1OCSPCertID& id : m_requestList) {
    ASN1Primitive request(kUniversal, true, 16);
    request.AppendChild(id);
    list.AppendChild(request);
  }
  body.AppendChild(list);
  if (m_requestExtensions.Count() != 0) body.AppendChild(m_requestExtensions);
  return body;
}

void ASN1OCSP_TBSRequest::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1OCSP_TBSRequest::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1OCSP_TBSRequest::Decode(ByteView in) {
  ocsp::Coded(kMsgBadOcspRequest, {kMsgBadOcspSingleRequest.code}, [&] {
    DerReader fields = x509::Open(in, 0x30, kMsgBadOcspRequest);
    ASN1OCSP_TBSRequest body;
    if (const auto version = ocsp::ReadVersion(fields, kMsgBadOcspRequest)) body.m_version = *version;
    if (x509::NextIs(fields, 0xA1)) {
      DerReader tagged = x509::Enter(fields, 0xA1, kMsgBadOcspRequest);
      // GeneralName's directoryName [4] around the Name, as RFC 6960 clients send it.
      if (x509::NextIs(tagged, 0xA4)) tagged = x509::Enter(tagged, 0xA4, kMsgBadOcspRequest);
      tagged.Read(body.m_requestorName);
    }
    DerReader list = x509::Enter(fields, 0x30, kMsgBadOcspRequest);
    while (list.HasMore()) {
      //   Request ::= SEQUENCE { reqCert CertID, singleRequestExtensions [0] EXPLICIT Extensions OPTIONAL }
      DerReader request = x509::Enter(list, 0x30, kMsgBadOcspSingleRequest);
      ASN1OCSPCertID id;
      request.Read(id);
      body.m_requestList.push_back(std::move(id));
      // singleRequestExtensions are not kept: nothing this system answers depends on them.
    }
    if (x509::NextIs(fields, 0xA2))
      ocsp::ReadExtensions(x509::Enter(fields, 0xA2, kMsgBadOcspRequest), body.m_requestExtensions,
                           kMsgBadOcspRequest);
    if (fields.HasMore()) Raise(kMsgBadOcspRequest);
    *this = std::move(body);
  });
}

ASN1Primitive ASN1OCSPRequest::Sequence() const {
  ASN1Primitive request(TagClass(), IsConstructed(), TagNumber());
  request.AppendChild(m_tbsRequest);
  if (!m_signature.IsEmpty()) {
    ASN1Primitive signature(kUniversal, true, 16);
    signature.AppendChild(m_signatureAlgorithm);
    signature.AppendChild(m_signature);
    ASN1Primitive tagged(kContextSpecific, true, 0);
    tagged.AppendChild(signature);
    request.AppendChild(tagged);
  }
  return request;
}

void ASN1OCSPRequest::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1OCSPRequest::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1OCSPRequest::Decode(ByteView in) {
  ocsp::Coded(kMsgBadOcspRequest, {kMsgBadOcspSingleRequest.code}, [&] {
    DerReader fields = x509::Open(in, 0x30, kMsgBadOcspRequest);
    ASN1OCSPRequest request;
    fields.Read(request.m_tbsRequest);
    if (fields.HasMore()) {
      DerReader tagged = x509::Enter(fields, 0xA0, kMsgBadOcspRequest);
      DerReader signature = x509::Enter(tagged, 0x30, kMsgBadOcspRequest);
      signature.Read(request.m_signatureAlgorithm);
      signature.Read(request.m_signature);
      // The signer's certificates after the BIT STRING are not read.
    }
    *this = std::move(request);
  });
}

}  // namespace tavrpki

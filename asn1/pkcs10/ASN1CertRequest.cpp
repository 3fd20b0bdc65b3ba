#include "asn1/pkcs10/ASN1CertRequest.h"

#include "asn1/Der.h"
#include "asn1/x509/ASN1SubjPubKeyInfo.h"

namespace tavrpki {

Blob ASN1CertRequest::GetSignature() const { return OctetsInBitString(m_signature); }

void ASN1CertRequest::SetSignature(ByteView signature) { PutOctetsInBitString(m_signature, signature); }

ASN1Primitive ASN1CertRequest::Sequence() const {
  ASN1Primitive request(TagClass(), IsConstructed(), TagNumber());
  request.AppendChild(m_requestInfo);
  request.AppendChild(m_signatureAlgorithm);
  request.AppendChild(m_signature);
  return request;
}

void ASN1CertRequest::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1CertRequest::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1CertRequest::Decode(ByteView in) {
  if (in.empty() || in[0] != 0x30) Raise(kMsgBadRequest);
  DerReader fields(der::ReadContentOf(in, 0x30, kMsgBadRequest));
  ASN1CertRequest request;
  if (!fields.HasMore() || fields.PeekIdentifier() != 0x30) Raise(kMsgBadRequest);
  request.m_requestInfo.Decode(fields.Next());
  fields.Read(request.m_signatureAlgorithm);
  fields.Read(request.m_signature);
  *this = std::move(request);
}

}  // namespace tavrpki

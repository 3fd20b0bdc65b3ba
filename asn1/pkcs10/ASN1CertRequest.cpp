#include "asn1/pkcs10/ASN1CertRequest.h"

#include "asn1/Der.h"
#include "asn1/x509/Shapes.h"

namespace tavrpki {

void ASN1CertRequest::Decode(ByteView in) {
  DerReader fields = x509::Open(in, 0x30, kMsgBadRequest);
  ASN1CertRequest request;
  if (!fields.HasMore() || fields.PeekIdentifier() != 0x30) Raise(kMsgBadRequest);
  request.m_body.Decode(fields.Next());
  fields.Read(request.m_signatureAlgorithm);
  fields.Read(request.m_signatureValue);
  *this = std::move(request);
}

}  // namespace tavrpki

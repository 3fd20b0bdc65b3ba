#include "asn1/pkcs10/ASN1RequestInfo.h"

#include "asn1/Der.h"
#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {

ASN1Primitive ASN1RequestInfo::Sequence() const {
  ASN1Primitive body(TagClass(), IsConstructed(), TagNumber());
  body.AppendChild(m_version);
  body.AppendChild(m_subject);
  body.AppendChild(m_subjectPublicKeyInfo);
  if (!m_attributes.IsEmpty()) {
    ASN1Primitive tagged(kContextSpecific, true, 0);
    for (const ASN1Attribute& attribute : m_attributes) tagged.AppendChild(attribute);
    body.AppendChild(tagged);
  }
  return body;
}

void ASN1RequestInfo::Encode(Blob& out) const {
  Sequence().Encode(out);
  KeepSignedBytes(out.View());
}

std::uint32_t ASN1RequestInfo::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1RequestInfo::Decode(ByteView in) {
  auto [whole, fields] = x509::OpenSignedBody(in, kMsgBadRequest);
  ASN1RequestInfo body;
  fields.Read(body.m_version);
  fields.Read(body.m_subject);
  fields.Read(body.m_subjectPublicKeyInfo);
  if (fields.HasMore()) {
    if (fields.PeekIdentifier() != 0xA0) Raise(kMsgBadRequestAttributes);
    DerReader attributes = fields.Enter();
    while (attributes.HasMore()) {
      ASN1Attribute attribute;
      attribute.Decode(attributes.Next());
      // An attribute with an empty type could never be written back.
      if (!attribute.HasType()) Raise(kMsgBadRequestAttributes);
      body.m_attributes.Append(attribute);
    }
  }
  body.KeepSignedBytes(whole);
  *this = std::move(body);
}

}  // namespace tavrpki

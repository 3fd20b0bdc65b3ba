#include "asn1/x509/ASN1Certificate.h"

#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {

bool ASN1Certificate::Equals(const ASN1Certificate& other) const {
  return m_tbsCertificate.SerialNumber() == other.m_tbsCertificate.SerialNumber() &&
         m_tbsCertificate.Issuer().Equals(other.m_tbsCertificate.Issuer());
}

Blob ASN1Certificate::GetSignature() const { return OctetsInBitString(m_signatureValue); }

void ASN1Certificate::SetSignature(ByteView signature) { PutOctetsInBitString(m_signatureValue, signature); }

ASN1Primitive ASN1Certificate::Sequence() const {
  ASN1Primitive certificate(TagClass(), IsConstructed(), TagNumber());
  certificate.AppendChild(m_tbsCertificate);
  certificate.AppendChild(m_signatureAlgorithm);
  certificate.AppendChild(m_signatureValue);
  return certificate;
}

void ASN1Certificate::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1Certificate::EncodedSize() const { return Sequence().EncodedSize(); }

// Certificate ::= SEQUENCE { tbsCertificate TBSCertificate,
//   signatureAlgorithm AlgorithmIdentifier, signatureValue BIT STRING }
void ASN1Certificate::Decode(ByteView in) {
  DerReader fields = x509::Open(in, 0x30, kMsgBadCertificate);
  ASN1Certificate certificate;
  fields.Read(certificate.m_tbsCertificate);
  fields.Read(certificate.m_signatureAlgorithm);
  fields.Read(certificate.m_signatureValue);
  *this = std::move(certificate);
}

}  // namespace tavrpki

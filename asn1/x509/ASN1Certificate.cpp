#include "asn1/x509/ASN1Certificate.h"

#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {

bool ASN1Certificate::Equals(const ASN1Certificate& other) const {
  return m_body.SerialNumber() == other.m_body.SerialNumber() && m_body.Issuer().Equals(other.m_body.Issuer());
}

// Certificate ::= SEQUENCE { tbsCertificate TBSCertificate,
//   signatureAlgorithm AlgorithmIdentifier, signatureValue BIT STRING }
void ASN1Certificate::Decode(ByteView in) {
  DerReader fields = x509::Open(in, 0x30, kMsgBadCertificate);
  ASN1Certificate certificate;
  fields.Read(certificate.m_body);
  fields.Read(certificate.m_signatureAlgorithm);
  fields.Read(certificate.m_signatureValue);
  *this = std::move(certificate);
}

}  // namespace tavrpki

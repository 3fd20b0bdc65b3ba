#include "asn1/ocsp/ASN1OCSPCertID.h"

#include "asn1/ASN1OctetString.h"
#include "asn1/Der.h"
#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {

bool ASN1OCSPCertID::Matches(const ASN1OCSPCertID& other) const {
  if (!m_hashAlgorithm.TypeText().Equals(other.m_hashAlgorithm.TypeText())) return false;
  if (!m_issuerKeyHash.Equals(other.m_issuerKeyHash)) return false;
  // An INTEGER without content octets compares with nothing but another such.
  if (m_serialNumber.IsEmpty() || other.m_serialNumber.IsEmpty())
    return m_serialNumber.IsEmpty() && other.m_serialNumber.IsEmpty();
  return m_serialNumber == other.m_serialNumber;
}

ASN1Primitive ASN1OCSPCertID::Sequence() const {
  ASN1Primitive id(TagClass(), IsConstructed(), TagNumber());
  id.AppendChild(m_hashAlgorithm);
  id.AppendChild(ASN1OctetString(m_issuerNameHash.View()));
  id.AppendChild(ASN1OctetString(m_issuerKeyHash.View()));
  id.AppendChild(m_serialNumber);
  return id;
}

void ASN1OCSPCertID::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1OCSPCertID::EncodedSize() const { return Sequence().EncodedSize(); }

// CertID ::= SEQUENCE { hashAlgorithm AlgorithmIdentifier, issuerNameHash OCTET STRING,
//                       issuerKeyHash OCTET STRING, serialNumber CertificateSerialNumber }
void ASN1OCSPCertID::Decode(ByteView in) {
  x509::AsCoded(kMsgBadOcspSingleRequest, [&] {
    DerReader fields = x509::Open(in, 0x30, kMsgBadOcspSingleRequest);
    ASN1OCSPCertID id;
    fields.Read(id.m_hashAlgorithm);
    ASN1OctetString nameHash;
    ASN1OctetString keyHash;
    fields.Read(nameHash);
    fields.Read(keyHash);
    fields.Read(id.m_serialNumber);
    id.m_issuerNameHash.Assign(nameHash.Value());
    id.m_issuerKeyHash.Assign(keyHash.Value());
    *this = std::move(id);
  });
}

}  // namespace tavrpki

#include "asn1/x509/ASN1SubjPubKeyInfo.h"

#include "asn1/ASN1OctetString.h"
#include "asn1/Der.h"

namespace tavrpki {

Blob OctetsInBitString(const ASN1BitString& bits) {
  ASN1OctetString inner;
  inner.Decode(bits.Bytes());
  return inner.Value();
}

void PutOctetsInBitString(ASN1BitString& bits, ByteView octets) {
  Blob der;
  ASN1OctetString(octets).Encode(der);
  bits.SetBytes(der, 0);
}

Blob ASN1SubjPubKeyInfo::GetKey() const { return OctetsInBitString(m_subjectPublicKey); }

void ASN1SubjPubKeyInfo::SetKey(ByteView key) { PutOctetsInBitString(m_subjectPublicKey, key); }

ASN1Primitive ASN1SubjPubKeyInfo::Sequence() const {
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  sequence.AppendChild(m_algorithm);
  sequence.AppendChild(m_subjectPublicKey);
  return sequence;
}

void ASN1SubjPubKeyInfo::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1SubjPubKeyInfo::EncodedSize() const { return Sequence().EncodedSize(); }

// SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier, subjectPublicKey BIT STRING }
void ASN1SubjPubKeyInfo::Decode(ByteView in) {
  // The identifier is not checked (as for every AlgorithmIdentifier-like pair);
  // the two children check their own.
  DerReader fields(der::Content(in, der::ReadHeader(in)));
  ASN1AttrTypeValue algorithm;
  ASN1BitString subjectPublicKey;
  fields.Read(algorithm);
  fields.Read(subjectPublicKey);
  m_algorithm = std::move(algorithm);
  m_subjectPublicKey = std::move(subjectPublicKey);
}

}  // namespace tavrpki

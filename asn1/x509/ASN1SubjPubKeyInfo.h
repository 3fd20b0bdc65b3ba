// The public-key field of certificates and requests.
//
//   SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier,
//                                       subjectPublicKey BIT STRING }
//
// The algorithm's parameter element holds the DSTU 4145 domain parameters; the
// BIT STRING's bytes are the complete DER of an OCTET STRING carrying the key
// octets (little-endian for the usual algorithm OIDs), not the key itself.
#pragma once

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Primitive.h"

namespace tavrpki {

class ASN1SubjPubKeyInfo : public ASN1Primitive {
 public:
  ASN1SubjPubKeyInfo() : ASN1Primitive(kUniversal, true, 16) {}

  const ASN1AttrTypeValue& Algorithm() const { return m_algorithm; }
  ASN1AttrTypeValue& Algorithm() { return m_algorithm; }
  const ASN1BitString& SubjectPublicKey() const { return m_subjectPublicKey; }
  ASN1BitString& SubjectPublicKey() { return m_subjectPublicKey; }

  // The key octets: the BIT STRING's bytes read as an OCTET STRING, whose
  // content is returned (its decode messages when they are not one).
  Blob GetKey() const;
  // The BIT STRING becomes the DER of an OCTET STRING holding `key`, unused bits 0.
  void SetKey(ByteView key);

  void Encode(Blob& out) const override;
  // On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  ASN1AttrTypeValue m_algorithm;
  ASN1BitString m_subjectPublicKey;
};

// The octets inside a BIT STRING that carries the DER of an OCTET STRING (keys
// and signature values), and the other way round.
Blob OctetsInBitString(const ASN1BitString& bits);
void PutOctetsInBitString(ASN1BitString& bits, ByteView octets);

}  // namespace tavrpki

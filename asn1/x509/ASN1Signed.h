// `ASN1Signed<Body>`: a signed body followed by the algorithm and the signature,
// the shape certificates, revocation lists and certification requests share.
//
//   SEQUENCE { body Body, signatureAlgorithm AlgorithmIdentifier,
//              signatureValue BIT STRING }
//
// The BIT STRING's bytes are the complete DER of an OCTET STRING whose content is
// the signature (GetSignature / SetSignature), and the signature covers the body's
// bytes as read (ASN1SignedBody::SignedBytes). Each structure reads itself, since
// each reports its own failures.
#pragma once

#include <cstdint>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/x509/ASN1SubjPubKeyInfo.h"

namespace tavrpki {

template <typename Body>
class ASN1Signed : public ASN1Primitive {
 public:
  const ASN1AttrTypeValue& SignatureAlgorithm() const { return m_signatureAlgorithm; }
  ASN1AttrTypeValue& SignatureAlgorithm() { return m_signatureAlgorithm; }

  // The signature octets: the BIT STRING's bytes read as an OCTET STRING.
  Blob GetSignature() const { return OctetsInBitString(m_signatureValue); }
  // The BIT STRING becomes the DER of an OCTET STRING holding `signature`.
  void SetSignature(ByteView signature) { PutOctetsInBitString(m_signatureValue, signature); }

  // Also refreshes the body's signed bytes.
  void Encode(Blob& out) const override { Sequence().Encode(out); }
  std::uint32_t EncodedSize() const override { return Sequence().EncodedSize(); }

 protected:
  ASN1Signed() : ASN1Primitive(kUniversal, true, 16) {}

  Body m_body;
  ASN1AttrTypeValue m_signatureAlgorithm;
  ASN1BitString m_signatureValue;

 private:
  ASN1Primitive Sequence() const {
    ASN1Primitive whole(TagClass(), IsConstructed(), TagNumber());
    whole.AppendChild(m_body);
    whole.AppendChild(m_signatureAlgorithm);
    whole.AppendChild(m_signatureValue);
    return whole;
  }
};

}  // namespace tavrpki

// A certification request (PKCS#10) as this system reads and writes it.
//
//   CertificationRequest ::= SEQUENCE {
//     certificationRequestInfo CertificationRequestInfo,
//     signatureAlgorithm       AlgorithmIdentifier,
//     signature                BIT STRING }
//
// As in certificates, the BIT STRING's bytes are the complete DER of an OCTET
// STRING whose content is the signature (GetSignature / SetSignature), and the
// signature covers the body's bytes as read (ASN1RequestInfo::SignedBytes).
#pragma once

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/pkcs10/ASN1RequestInfo.h"

namespace tavrpki {

class ASN1CertRequest : public ASN1Primitive {
 public:
  ASN1CertRequest() : ASN1Primitive(kUniversal, true, 16) {}

  const ASN1RequestInfo& RequestInfo() const { return m_requestInfo; }
  ASN1RequestInfo& RequestInfo() { return m_requestInfo; }
  const ASN1AttrTypeValue& SignatureAlgorithm() const { return m_signatureAlgorithm; }
  ASN1AttrTypeValue& SignatureAlgorithm() { return m_signatureAlgorithm; }
  const ASN1BitString& Signature() const { return m_signature; }

  // The signature octets: the BIT STRING's bytes read as an OCTET STRING.
  Blob GetSignature() const;
  void SetSignature(ByteView signature);

  // Also refreshes the body's signed bytes.
  void Encode(Blob& out) const override;
  // A request that is not a SEQUENCE is kMsgBadRequest; the fields' own failures
  // pass through. Bytes after the signature are not read. On failure nothing
  // changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  ASN1RequestInfo m_requestInfo;
  ASN1AttrTypeValue m_signatureAlgorithm;
  ASN1BitString m_signature;
};

}  // namespace tavrpki

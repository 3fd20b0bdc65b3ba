// An X.509 version 2 revocation list as this system reads and writes it.
//
//   CertificateList ::= SEQUENCE { tbsCertList TBSCertList,
//                                  signatureAlgorithm AlgorithmIdentifier,
//                                  signatureValue BIT STRING }
//
// As in certificates, the BIT STRING's bytes are the complete DER of an OCTET
// STRING whose content is the signature (GetSignature / SetSignature), and the
// signature covers the body's bytes as read (ASN1TBSCertList::SignedBytes).
#pragma once

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/crl/ASN1TBSCertList.h"

namespace tavrpki {

class ASN1CRL : public ASN1Primitive {
 public:
  ASN1CRL() : ASN1Primitive(kUniversal, true, 16) {}

  const ASN1TBSCertList& TBSCertList() const { return m_tbsCertList; }
  ASN1TBSCertList& TBSCertList() { return m_tbsCertList; }
  const ASN1AttrTypeValue& SignatureAlgorithm() const { return m_signatureAlgorithm; }
  ASN1AttrTypeValue& SignatureAlgorithm() { return m_signatureAlgorithm; }
  const ASN1BitString& SignatureValue() const { return m_signatureValue; }
  ASN1BitString& SignatureValue() { return m_signatureValue; }

  // The signature octets: the BIT STRING's bytes read as an OCTET STRING.
  Blob GetSignature() const;
  void SetSignature(ByteView signature);

  // Also refreshes the body's signed bytes (and may append its CRL number
  // extension, see ASN1TBSCertList).
  void Encode(Blob& out) const override;
  // Every failure is code 50035, except those of an entry (50032, 50033).
  // Bytes after the signature value are not read. On failure nothing changes.
  void Decode(ByteView in) override;
  // As Decode with the body read by ASN1TBSCertList::DecodeHeader: no entries,
  // no signed bytes; for choosing among stored lists before decoding one in full.
  void DecodeHeader(ByteView in);
  std::uint32_t EncodedSize() const override;

 private:
  void DecodeCoded(ByteView in, bool entries);
  ASN1Primitive Sequence() const;

  ASN1TBSCertList m_tbsCertList;
  ASN1AttrTypeValue m_signatureAlgorithm;
  ASN1BitString m_signatureValue;
};

}  // namespace tavrpki

// The identifier of one certificate in OCSP requests and responses.
//
//   CertID ::= SEQUENCE { hashAlgorithm  AlgorithmIdentifier,
//                         issuerNameHash OCTET STRING,
//                         issuerKeyHash  OCTET STRING,
//                         serialNumber   CertificateSerialNumber }
//
// This system's clients put the issuer's key identifier (the authority key
// identifier of the certificate, as it stands) into issuerKeyHash rather than a
// hash they compute, and match answers without the name hash.
#pragma once

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/Blob.h"

namespace tavrpki {

class ASN1OCSPCertID : public ASN1Primitive {
 public:
  ASN1OCSPCertID() : ASN1Primitive(kUniversal, true, 16) {}

  const ASN1AttrTypeValue& HashAlgorithm() const { return m_hashAlgorithm; }
  ASN1AttrTypeValue& HashAlgorithm() { return m_hashAlgorithm; }
  const Blob& IssuerNameHash() const { return m_issuerNameHash; }
  void SetIssuerNameHash(ByteView hash) { m_issuerNameHash.Assign(hash); }
  const Blob& IssuerKeyHash() const { return m_issuerKeyHash; }
  void SetIssuerKeyHash(ByteView hash) { m_issuerKeyHash.Assign(hash); }
  const ASN1Integer& SerialNumber() const { return m_serialNumber; }
  ASN1Integer& SerialNumber() { return m_serialNumber; }

  // The same hash algorithm OID, issuer key hash and serial number (compared as
  // numbers, so leading zero octets do not matter); the name hash is not compared.
  bool Matches(const ASN1OCSPCertID& other) const;

  void Encode(Blob& out) const override;
  // Every failure is code 50042. Bytes after the serial number are not read.
  // On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  ASN1AttrTypeValue m_hashAlgorithm;
  Blob m_issuerNameHash;
  Blob m_issuerKeyHash;
  ASN1Integer m_serialNumber;
};

}  // namespace tavrpki

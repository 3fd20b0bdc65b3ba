// The value of the signing-certificate-v2 attribute with exactly one certificate
// identifier and no policies.
//
//   SigningCertificateV2 ::= SEQUENCE { certs SEQUENCE OF ESSCertIDv2,
//                                       policies SEQUENCE OF PolicyInformation OPTIONAL }
//   ESSCertIDv2 ::= SEQUENCE { hashAlgorithm AlgorithmIdentifier,
//                              certHash OCTET STRING,
//                              issuerSerial IssuerSerial }
//   IssuerSerial ::= SEQUENCE { issuer GeneralNames, serialNumber CertificateSerialNumber }
//
// Two shapes of the issuer are read: this system's own bare Name, and GeneralNames
// holding one directoryName ([4] Name) as RFC 5035 and every real signer write it.
// The shape read is kept, so a value re-encodes as it came; new values use the
// bare Name unless SetGeneralNames(true).
#pragma once

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1Primitive.h"

namespace tavrpki {

class ASN1ESSCertIDv2 : public ASN1Primitive {
 public:
  ASN1ESSCertIDv2() : ASN1Primitive(kUniversal, true, 16) {}

  const ASN1AttrTypeValue& HashAlgorithm() const { return m_hashAlgorithm; }
  void SetHashAlgorithm(const ASN1AttrTypeValue& algorithm) { m_hashAlgorithm = algorithm; }
  const Blob& CertHash() const { return m_certHash; }
  void SetCertHash(ByteView hash) { m_certHash.Assign(hash); }
  const ASN1Name& Issuer() const { return m_issuer; }
  void SetIssuer(const ASN1Name& issuer) { m_issuer = issuer; }
  const ASN1Integer& SerialNumber() const { return m_serialNumber; }
  void SetSerialNumber(const ASN1Integer& serial) { m_serialNumber = serial; }
  bool IsGeneralNames() const { return m_generalNames; }
  void SetGeneralNames(bool generalNames) { m_generalNames = generalNames; }

  void Encode(Blob& out) const override;
  // Every failure is code 50057; on failure nothing changes. Policies and other
  // trailing elements are not read.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  ASN1AttrTypeValue m_hashAlgorithm;
  Blob m_certHash;
  ASN1Name m_issuer;
  ASN1Integer m_serialNumber;
  bool m_generalNames = false;
};

}  // namespace tavrpki

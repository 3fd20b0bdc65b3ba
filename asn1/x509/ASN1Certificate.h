// An X.509 certificate as this system reads and writes it.
//
//   Certificate ::= SEQUENCE { tbsCertificate TBSCertificate,
//                              signatureAlgorithm AlgorithmIdentifier,
//                              signatureValue BIT STRING }
//
// The signature is carried as ASN1Signed describes. Signature algorithm OIDs:
//   1.2.804.2.1.1.1.1.3.1.1        DSTU 4145 with GOST 34.311, polynomial basis
//   1.2.804.2.1.1.1.1.3.1.2        the same, optimal normal basis
//   1.2.804.2.1.1.1.1.3.1.1.1.1    polynomial basis, signature octets in reverse order
//   1.2.804.2.1.1.1.1.3.1.2.1.1    normal basis, signature octets in reverse order
#pragma once

#include "asn1/ASN1BitString.h"
#include "asn1/x509/ASN1Signed.h"
#include "asn1/x509/ASN1TBSCert.h"

namespace tavrpki {

inline constexpr const char* kOidDstuSignaturePolynomial = "1.2.804.2.1.1.1.1.3.1.1";
inline constexpr const char* kOidDstuSignatureNormal = "1.2.804.2.1.1.1.1.3.1.2";
inline constexpr const char* kOidDstuSignaturePolynomialReversed = "1.2.804.2.1.1.1.1.3.1.1.1.1";
inline constexpr const char* kOidDstuSignatureNormalReversed = "1.2.804.2.1.1.1.1.3.1.2.1.1";

class ASN1Certificate : public ASN1Signed<ASN1TBSCert> {
 public:
  const ASN1TBSCert& TBSCertificate() const { return m_body; }
  ASN1TBSCert& TBSCertificate() { return m_body; }
  const ASN1BitString& SignatureValue() const { return m_signatureValue; }
  ASN1BitString& SignatureValue() { return m_signatureValue; }

  // The same certificate as far as a relying party tells them apart: equal serial
  // numbers (as integers; an empty one throws code 50021) and equal issuer names.
  bool Equals(const ASN1Certificate& other) const;
  bool NotEquals(const ASN1Certificate& other) const { return !Equals(other); }
  using Blob::Equals;

  // The identifier must be the single octet 30, else code 50031; the body's and
  // the children's own messages pass through. Bytes after the signature value,
  // inside or after the certificate, are not read. On failure nothing changes.
  void Decode(ByteView in) override;
};

}  // namespace tavrpki

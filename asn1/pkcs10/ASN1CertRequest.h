// A certification request (PKCS#10) as this system reads and writes it.
//
//   CertificationRequest ::= SEQUENCE {
//     certificationRequestInfo CertificationRequestInfo,
//     signatureAlgorithm       AlgorithmIdentifier,
//     signature                BIT STRING }
//
// The signature is carried as ASN1Signed describes.
#pragma once

#include "asn1/ASN1BitString.h"
#include "asn1/pkcs10/ASN1RequestInfo.h"
#include "asn1/x509/ASN1Signed.h"

namespace tavrpki {

class ASN1CertRequest : public ASN1Signed<ASN1RequestInfo> {
 public:
  const ASN1RequestInfo& RequestInfo() const { return m_body; }
  ASN1RequestInfo& RequestInfo() { return m_body; }
  const ASN1BitString& Signature() const { return m_signatureValue; }

  // A request that is not a SEQUENCE is kMsgBadRequest; the fields' own failures
  // pass through. Bytes after the signature are not read. On failure nothing
  // changes.
  void Decode(ByteView in) override;
};

}  // namespace tavrpki

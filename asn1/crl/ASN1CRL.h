// An X.509 version 2 revocation list as this system reads and writes it.
//
//   CertificateList ::= SEQUENCE { tbsCertList TBSCertList,
//                                  signatureAlgorithm AlgorithmIdentifier,
//                                  signatureValue BIT STRING }
//
// The signature is carried as ASN1Signed describes. Encoding refreshes the body's
// signed bytes and may append its CRL number extension (see ASN1TBSCertList).
#pragma once

#include "asn1/ASN1BitString.h"
#include "asn1/crl/ASN1TBSCertList.h"
#include "asn1/x509/ASN1Signed.h"

namespace tavrpki {

class ASN1CRL : public ASN1Signed<ASN1TBSCertList> {
 public:
  const ASN1TBSCertList& TBSCertList() const { return m_body; }
  ASN1TBSCertList& TBSCertList() { return m_body; }
  const ASN1BitString& SignatureValue() const { return m_signatureValue; }
  ASN1BitString& SignatureValue() { return m_signatureValue; }

  // Every failure is code 50035, except those of an entry (50032, 50033).
  // Bytes after the signature value are not read. On failure nothing changes.
  void Decode(ByteView in) override;
  // As Decode with the body read by ASN1TBSCertList::DecodeHeader: no entries,
  // no signed bytes; for choosing among stored lists before decoding one in full.
  void DecodeHeader(ByteView in);

 private:
  void DecodeCoded(ByteView in, bool entries);
};

}  // namespace tavrpki

// The signed body of a certificate.
//
//   TBSCertificate ::= SEQUENCE {
//     version         [0] EXPLICIT INTEGER,          -- mandatory here (X.509: DEFAULT v1)
//     serialNumber    INTEGER,
//     signature       AlgorithmIdentifier,
//     issuer          Name,
//     validity        Validity,
//     subject         Name,
//     subjectPublicKeyInfo SubjectPublicKeyInfo,
//     extensions      [3] EXPLICIT Extensions }       -- read and written for version >= 2
//   Validity ::= SEQUENCE { notBefore Time, notAfter Time }
//
// Unique identifiers ([1], [2]) are not supported. The body keeps the bytes a
// signature covers (signedBytes): exactly as read, or as last written.
#pragma once

#include <cstdint>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/DateTime.h"
#include "asn1/x509/ASN1CertExtension.h"
#include "asn1/x509/ASN1SubjPubKeyInfo.h"
#include "asn1/x509/ASN1SignedBody.h"

namespace tavrpki {

class ASN1TBSCert : public ASN1SignedBody {
 public:
  // The INTEGER as encoded: 0 for a version 1 certificate, 2 (the default) for version 3.
  std::int32_t Version() const { return m_version; }
  void SetVersion(std::int32_t version) { m_version = version; }
  const ASN1Integer& SerialNumber() const { return m_serialNumber; }
  ASN1Integer& SerialNumber() { return m_serialNumber; }
  const ASN1AttrTypeValue& Signature() const { return m_signature; }
  ASN1AttrTypeValue& Signature() { return m_signature; }
  const ASN1Name& Issuer() const { return m_issuer; }
  ASN1Name& Issuer() { return m_issuer; }
  const ASN1Name& Subject() const { return m_subject; }
  ASN1Name& Subject() { return m_subject; }
  const ASN1SubjPubKeyInfo& PublicKeyInfo() const { return m_subjectPublicKeyInfo; }
  ASN1SubjPubKeyInfo& PublicKeyInfo() { return m_subjectPublicKeyInfo; }
  const ExtensionsCollection& Extensions() const { return m_extensions; }
  ExtensionsCollection& Extensions() { return m_extensions; }

  const DateTime& NotBefore() const { return m_notBefore; }
  const DateTime& NotAfter() const { return m_notAfter; }
  // New dates; they are written as two UTCTimes from now on, so a validity kept
  // as read (RawValidity) is dropped.
  void SetValidity(const DateTime& notBefore, const DateTime& notAfter);
  // The validity element as read when it was not two 13-character UTCTimes
  // (written back unchanged); empty otherwise.
  const ASN1Primitive& RawValidity() const { return m_rawValidity; }

  // Writes the body and keeps the result as the signed bytes.
  void Encode(Blob& out) const override;
  // Fails with code 50026 when the body or its validity is no SEQUENCE or the
  // [0] version is missing; the children's own messages pass through. On failure
  // nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  std::int32_t m_version = 2;
  ASN1Integer m_serialNumber;
  ASN1AttrTypeValue m_signature;
  ASN1Name m_issuer;
  ASN1Name m_subject;
  ASN1SubjPubKeyInfo m_subjectPublicKeyInfo;
  DateTime m_notAfter;
  DateTime m_notBefore;
  ExtensionsCollection m_extensions;
  ASN1Primitive m_rawValidity;
};

}  // namespace tavrpki

// An OCSP request and its signed body.
//
//   OCSPRequest ::= SEQUENCE { tbsRequest TBSRequest,
//                              optionalSignature [0] EXPLICIT Signature OPTIONAL }
//   TBSRequest ::= SEQUENCE {
//     version           [0] EXPLICIT Version DEFAULT v1,
//     requestorName     [1] EXPLICIT GeneralName OPTIONAL,
//     requestList       SEQUENCE OF Request,
//     requestExtensions [2] EXPLICIT Extensions OPTIONAL }
//   Request ::= SEQUENCE { reqCert CertID, singleRequestExtensions [0] EXPLICIT Extensions OPTIONAL }
//   Signature ::= SEQUENCE { signatureAlgorithm AlgorithmIdentifier, signature BIT STRING,
//                            certs [0] EXPLICIT SEQUENCE OF Certificate OPTIONAL }
//
// This system's own shape: the version is always written and holds 1 (not the
// v1 = 0 of RFC 6960), and the requestor name goes straight inside [1], without
// the directoryName tag of a GeneralName. Both shapes of the name are read.
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/ocsp/ASN1OCSPCertID.h"
#include "asn1/x509/ASN1CertExtension.h"

namespace tavrpki {

class ASN1OCSP_TBSRequest : public ASN1Primitive {
 public:
  ASN1OCSP_TBSRequest();

  std::int32_t Version() const { return m_version; }
  void SetVersion(std::int32_t version) { m_version = version; }
  // No attributes: no requestor name is written.
  const ASN1Name& RequestorName() const { return m_requestorName; }
  ASN1Name& RequestorName() { return m_requestorName; }
  const std::vector<ASN1OCSPCertID>& RequestList() const { return m_requestList; }
  std::vector<ASN1OCSPCertID>& RequestList() { return m_requestList; }
  // Written under [2] when not empty.
  const ExtensionsCollection& RequestExtensions() const { return m_requestExtensions; }
  ExtensionsCollection& RequestExtensions() { return m_requestExtensions; }
  // The nonce extension's value octets (the content of its extnValue) as read,
  // for a responder to echo; empty when the request carries none.
  Blob Nonce() const;

  void Encode(Blob& out) const override;
  // A request without the version reads as version 1. Extensions of the single
  // requests are not kept. Failures: 50042 for a single request (its identifier
  // or its CertID), 50043 for everything else. On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  std::int32_t m_version = 1;
  ASN1Name m_requestorName;
  std::vector<ASN1OCSPCertID> m_requestList;
  ExtensionsCollection m_requestExtensions;
};

class ASN1OCSPRequest : public ASN1Primitive {
 public:
  ASN1OCSPRequest() : ASN1Primitive(kUniversal, true, 16) {}

  const ASN1OCSP_TBSRequest& TBSRequest() const { return m_tbsRequest; }
  ASN1OCSP_TBSRequest& TBSRequest() { return m_tbsRequest; }
  // The optional signature: written only when the BIT STRING holds bytes.
  const ASN1AttrTypeValue& SignatureAlgorithm() const { return m_signatureAlgorithm; }
  ASN1AttrTypeValue& SignatureAlgorithm() { return m_signatureAlgorithm; }
  const ASN1BitString& Signature() const { return m_signature; }
  ASN1BitString& Signature() { return m_signature; }

  void Encode(Blob& out) const override;
  // Failures: 50042 for a single request, 50043 for everything else; the
  // certificates of a signature and bytes after it are not read. On failure
  // nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  ASN1OCSP_TBSRequest m_tbsRequest;
  ASN1AttrTypeValue m_signatureAlgorithm;
  ASN1BitString m_signature;
};

}  // namespace tavrpki

// An OCSP response and the signed body of its basic response.
//
//   OCSPResponse ::= SEQUENCE { responseStatus ENUMERATED,
//                               responseBytes [0] EXPLICIT ResponseBytes OPTIONAL }
//   ResponseBytes ::= SEQUENCE { responseType OBJECT IDENTIFIER, response OCTET STRING }
//   BasicOCSPResponse ::= SEQUENCE { tbsResponseData ResponseData,
//                                    signatureAlgorithm AlgorithmIdentifier,
//                                    signature BIT STRING,
//                                    certs [0] EXPLICIT SEQUENCE OF Certificate OPTIONAL }
//   ResponseData ::= SEQUENCE {
//     version            [0] EXPLICIT Version DEFAULT v1,
//     responderID        ResponderID,
//     producedAt         GeneralizedTime,
//     responses          SEQUENCE OF SingleResponse,
//     responseExtensions [1] EXPLICIT Extensions OPTIONAL }
//   ResponderID ::= CHOICE { byName [1] Name, byKey [2] KeyHash }   -- KeyHash ::= OCTET STRING
//
// Only the basic response type is read or written. Its signature covers the
// body's bytes exactly as read (or as last written): see ASN1OCSP_TBSResponse.
//
// Writing a response (what a responder does):
//   ASN1OCSPResponse response;                     // status 0
//   ASN1OCSP_TBSResponse& body = response.TBSResponse();
//   body.SetResponderKeyHash(...); body.SetProducedAt(...); body.Responses().push_back(...);
//   Blob signedBytes;
//   body.Encode(signedBytes);                      // the bytes to sign
//   response.SignatureAlgorithm().SetType("1.2.804.2.1.1.1.1.3.1.1");
//   response.SetSignature(signature);              // e.g. CKernel::EnsignBuffer over signedBytes
//   response.Encode(der);
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/Blob.h"
#include "asn1/DateTime.h"
#include "asn1/ocsp/ASN1OCSPSingleResponse.h"
#include "asn1/ocsp/OcspOids.h"
#include "asn1/x509/ASN1CertExtension.h"
#include "asn1/x509/ASN1SignedBody.h"

namespace tavrpki {

class ASN1OCSP_TBSResponse : public ASN1SignedBody {
 public:
  ASN1OCSP_TBSResponse();

  // 1 on construction. The [0] version is written only when one was read, so a
  // fresh body leaves it out as RFC 6960's DEFAULT v1 wants.
  std::int32_t Version() const { return m_version; }
  // The responder by name or by the hash of its key: the key hash is written when
  // set, else the name. A body read holds the one it carried, the other empty.
  const ASN1Name& ResponderName() const { return m_responderName; }
  ASN1Name& ResponderName() { return m_responderName; }
  const Blob& ResponderKeyHash() const { return m_responderKeyHash; }
  void SetResponderKeyHash(ByteView hash) { m_responderKeyHash.Assign(hash); }
  const DateTime& ProducedAt() const { return m_producedAt; }
  void SetProducedAt(const DateTime& time) { m_producedAt = time; }
  const std::vector<ASN1OCSPSingleResponse>& Responses() const { return m_responses; }
  std::vector<ASN1OCSPSingleResponse>& Responses() { return m_responses; }
  // Written under [1] when not empty (a responder echoes the request's nonce here).
  const ExtensionsCollection& ResponseExtensions() const { return m_responseExtensions; }
  ExtensionsCollection& ResponseExtensions() { return m_responseExtensions; }

  // Writes the body and keeps the result as the signed bytes.
  void Encode(Blob& out) const override;
  // An identifier other than the single octet 30 is code 50026; the single
  // responses' own codes (50042, 50045) pass; everything else is 50044. Bytes
  // after the extensions are not read. On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  std::int32_t m_version = 1;
  bool m_versionRead = false;
  ASN1Name m_responderName;
  Blob m_responderKeyHash;
  DateTime m_producedAt;
  std::vector<ASN1OCSPSingleResponse> m_responses;
  ExtensionsCollection m_responseExtensions;
};

class ASN1OCSPResponse : public ASN1Primitive {
 public:
  ASN1OCSPResponse() : ASN1Primitive(kUniversal, true, 16) {}

  // 0 (successful) on construction; any other status is written alone, without
  // response bytes.
  std::uint8_t ResponseStatus() const { return m_responseStatus; }
  void SetResponseStatus(std::uint8_t status) { m_responseStatus = status; }
  const ASN1OCSP_TBSResponse& TBSResponse() const { return m_tbsResponse; }
  ASN1OCSP_TBSResponse& TBSResponse() { return m_tbsResponse; }
  const ASN1AttrTypeValue& SignatureAlgorithm() const { return m_signatureAlgorithm; }
  ASN1AttrTypeValue& SignatureAlgorithm() { return m_signatureAlgorithm; }
  const ASN1BitString& SignatureValue() const { return m_signatureValue; }
  ASN1BitString& SignatureValue() { return m_signatureValue; }
  // The signature octets, carried as certificates carry theirs: the BIT STRING's
  // bytes are the DER of an OCTET STRING holding them. GetSignature throws when
  // the BIT STRING holds no such OCTET STRING.
  Blob GetSignature() const;
  void SetSignature(ByteView signature);
  // The responder's certificates (DER, as read; [0] is written when not empty).
  const std::vector<Blob>& Certificates() const { return m_certificates; }
  std::vector<Blob>& Certificates() { return m_certificates; }

  // Also refreshes the body's signed bytes.
  void Encode(Blob& out) const override;
  // The body's own failures (50026, 50042, 50045) pass; any other is 50044, a
  // status above 255 too. For a status other than 0 the response bytes are not
  // read; for 0 they must be there and of the basic type. Bytes after the
  // structure are not read. On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  std::uint8_t m_responseStatus = kOcspSuccessful;
  ASN1OCSP_TBSResponse m_tbsResponse;
  ASN1AttrTypeValue m_signatureAlgorithm;
  ASN1BitString m_signatureValue;
  std::vector<Blob> m_certificates;
};

}  // namespace tavrpki

// One signer of a signed message.
//
//   SignerInfo ::= SEQUENCE {
//     version CMSVersion,
//     sid SignerIdentifier,
//     digestAlgorithm DigestAlgorithmIdentifier,
//     signedAttrs [0] IMPLICIT SignedAttributes OPTIONAL,
//     signatureAlgorithm SignatureAlgorithmIdentifier,
//     signature SignatureValue,                      -- OCTET STRING, raw r || s
//     unsignedAttrs [1] IMPLICIT UnsignedAttributes OPTIONAL }
//   SignerIdentifier ::= CHOICE { issuerAndSerialNumber IssuerAndSerialNumber,
//                                 subjectKeyIdentifier [0] SubjectKeyIdentifier }
//
// A signer named by key identifier is written as a constructed [0] around a whole
// OCTET STRING (A0 16 04 14 ...), this system's own form; the implicit [0] of
// RFC 5652 (80 14 ...) is read too and kept, so it re-encodes as it came.
//
// The signed attributes' DER is kept as read: a signature is checked over those
// bytes, never over a re-encoding. Changing the attributes drops it.
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/cms/ASN1Attribute.h"

namespace tavrpki {

class ASN1SignerInfo : public ASN1Primitive {
 public:
  ASN1SignerInfo() : ASN1Primitive(kUniversal, true, 16) {}

  std::int32_t Version() const { return m_version; }
  void SetVersion(std::int32_t version) { m_version = version; }

  const Blob& SubjectKeyIdentifier() const { return m_subjectKeyIdentifier; }
  void SetSubjectKeyIdentifier(ByteView keyId) { m_subjectKeyIdentifier.Assign(keyId); }
  const ASN1Name& Issuer() const { return m_issuer; }
  void SetIssuer(const ASN1Name& issuer) { m_issuer = issuer; }
  const ASN1Integer& SerialNumber() const { return m_serialNumber; }
  void SetSerialNumber(const ASN1Integer& serial) { m_serialNumber = serial; }

  const ASN1AttrTypeValue& DigestAlgorithm() const { return m_digestAlgorithm; }
  void SetDigestAlgorithm(const ASN1AttrTypeValue& algorithm) { m_digestAlgorithm = algorithm; }
  const ASN1AttrTypeValue& SignatureAlgorithm() const { return m_signatureAlgorithm; }
  void SetSignatureAlgorithm(const ASN1AttrTypeValue& algorithm) { m_signatureAlgorithm = algorithm; }
  const Blob& Signature() const { return m_signature; }
  void SetSignature(ByteView signature) { m_signature.Assign(signature); }

  const std::vector<ASN1Attribute>& SignedAttrs() const { return m_signedAttrs; }
  // For changes; drops the bytes kept from decoding.
  std::vector<ASN1Attribute>& MutableSignedAttrs() {
    m_signedAttrsRead.Clear();
    return m_signedAttrs;
  }
  const std::vector<ASN1Attribute>& UnsignedAttrs() const { return m_unsignedAttrs; }
  std::vector<ASN1Attribute>& MutableUnsignedAttrs() { return m_unsignedAttrs; }

  bool HasSignedAttribute(const char* oid) const;
  // The first signed attribute of that type; 50056 when there is none.
  const ASN1Attribute& GetSignedAttribute(const char* oid) const;

  // The bytes a signature covers: the signed attributes' [0] element (as read,
  // else encoded now), with its identifier octet replaced by 31 (SET OF) for the
  // form RFC 5652 and real signers use. Empty without signed attributes.
  Blob SignedAttributesBytes(bool setOfForm) const;

  void Encode(Blob& out) const override;
  // Every failure is code 50052; on failure nothing changes. After the signature
  // only an unsigned-attributes [1] is read, anything else is ignored.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;
  ASN1Primitive SignedAttrsElement() const;

  std::int32_t m_version = 3;
  Blob m_subjectKeyIdentifier;
  bool m_keyIdImplicit = false;  // read as 80 len keyId
  ASN1Name m_issuer;
  ASN1Integer m_serialNumber;
  ASN1AttrTypeValue m_digestAlgorithm;
  ASN1AttrTypeValue m_signatureAlgorithm;
  std::vector<ASN1Attribute> m_signedAttrs;
  std::vector<ASN1Attribute> m_unsignedAttrs;
  Blob m_signature;
  Blob m_signedAttrsRead;
};

}  // namespace tavrpki

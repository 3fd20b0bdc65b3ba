// The body of a signed message.
//
//   SignedData ::= SEQUENCE {
//     version CMSVersion,
//     digestAlgorithms SET OF DigestAlgorithmIdentifier,
//     encapContentInfo EncapsulatedContentInfo,
//     certificates [0] IMPLICIT CertificateSet OPTIONAL,
//     crls [1] IMPLICIT RevocationInfoChoices OPTIONAL,
//     signerInfos SET OF SignerInfo }
//   EncapsulatedContentInfo ::= SEQUENCE { eContentType ContentType,
//                                          eContent [0] EXPLICIT OCTET STRING OPTIONAL }
//
// SETs are written in insertion order. Certificates and CRLs are held as their
// DER, exactly as read. The message can also be written in pieces (StreamHeader,
// the content octets, StreamFooter) for content of any 64-bit size that is never
// held in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/cms/ASN1SignerInfo.h"

namespace tavrpki {

class ASN1SignedData : public ASN1Primitive {
 public:
  ASN1SignedData() : ASN1Primitive(kUniversal, true, 16) {}

  std::int32_t Version() const { return m_version; }
  void SetVersion(std::int32_t version) { m_version = version; }
  const ASN1OID& ContentType() const { return m_eContentType; }
  void SetContentType(const char* oid) { m_eContentType.SetText(oid); }
  // Empty: the content is detached.
  const Blob& Content() const { return m_eContent; }
  Blob& Content() { return m_eContent; }

  std::vector<ASN1AttrTypeValue>& DigestAlgorithms() { return m_digestAlgorithms; }
  const std::vector<ASN1AttrTypeValue>& DigestAlgorithms() const { return m_digestAlgorithms; }
  std::vector<Blob>& Certificates() { return m_certificates; }
  const std::vector<Blob>& Certificates() const { return m_certificates; }
  std::vector<Blob>& Crls() { return m_crls; }
  const std::vector<Blob>& Crls() const { return m_crls; }
  std::vector<ASN1SignerInfo>& SignerInfos() { return m_signerInfos; }
  const std::vector<ASN1SignerInfo>& SignerInfos() const { return m_signerInfos; }

  // The DER of the first certificate that names the signer: issuer and serial
  // number equal, or, for a signer named by key identifier, the subject key
  // identifier extension equal byte for byte. Empty when none does; a certificate
  // that does not parse is passed over, never an error.
  Blob FindSignerCertificate(const ASN1SignerInfo& signer) const;

  // Everything of the message (ContentInfo included) that precedes `dataSize`
  // content octets, lengths worked out ahead for a footer of `footerSize` bytes.
  // `detached`: the encapsulated content is the type alone and the content
  // octets, if any, are not inside it (pass 0 to get a well-formed message).
  // Content of size 0 is written as detached, as Encode writes an empty eContent.
  Blob StreamHeader(std::uint64_t dataSize, std::uint64_t footerSize, bool detached) const;
  // What follows the content octets: certificates, CRLs and signer infos.
  Blob StreamFooter() const;

  void Encode(Blob& out) const override;
  // Every failure is code 50053; on failure nothing changes. A last element that
  // is not a SET leaves the signer infos empty.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;
  ASN1Primitive DigestAlgorithmsSet() const;

  std::int32_t m_version = 1;
  std::vector<ASN1AttrTypeValue> m_digestAlgorithms;
  ASN1OID m_eContentType;
  Blob m_eContent;
  std::vector<Blob> m_certificates;
  std::vector<Blob> m_crls;
  std::vector<ASN1SignerInfo> m_signerInfos;
};

}  // namespace tavrpki

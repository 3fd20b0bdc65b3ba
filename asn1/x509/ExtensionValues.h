// The values of the standard extensions this system builds and reads, each the
// DER inside an extension's extnValue (ASN1CertExtension::DecodeValue). Every
// malformed value fails with its type's one catalogue entry (50037-50050), the
// inner cause dropped; on failure the value is unchanged.
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/String.h"
#include "core/Catalogue.h"

namespace tavrpki {

// 2.5.29.19
//   BasicConstraints ::= SEQUENCE { cA BOOLEAN DEFAULT FALSE,
//                                   pathLenConstraint INTEGER (0..MAX) OPTIONAL }
// Written with the BOOLEAN always present, FALSE too (30 03 01 01 00), and the
// path length only for a CA. Code 50038.
class ASN1BasicConstriants : public ASN1Primitive {
 public:
  ASN1BasicConstriants() : ASN1Primitive(kUniversal, true, 16) {}

  bool IsCA() const { return m_cA != 0; }
  void SetCA(bool cA) { m_cA = cA ? 1 : 0; }
  std::int32_t PathLenConstraint() const { return m_pathLenConstraint; }
  void SetPathLenConstraint(std::int32_t pathLen) { m_pathLenConstraint = pathLen; }

  void Encode(Blob& out) const override;
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  std::uint8_t m_cA = 0;
  std::int32_t m_pathLenConstraint = 0;
};

// 2.5.29.35
//   AuthorityKeyIdentifier ::= SEQUENCE {
//     keyIdentifier             [0] KeyIdentifier,      -- required here
//     authorityCertIssuer       [1] Name OPTIONAL,      -- X.509: GeneralNames
//     authorityCertSerialNumber [2] INTEGER OPTIONAL }
// The key identifier is read both as [0] IMPLICIT OCTET STRING (80) and wrapped,
// [0] { OCTET STRING } (A0 .. 04 ..), and written back in the form read. The
// issuer is the RDN sequence itself under [1], not a GeneralNames. Code 50041.
class ASN1AuthKeyID : public ASN1Primitive {
 public:
  ASN1AuthKeyID() : ASN1Primitive(kUniversal, true, 16) {}

  const Blob& KeyIdentifier() const { return m_keyIdentifier; }
  void SetKeyIdentifier(ByteView id) { m_keyIdentifier.Assign(id); }
  const ASN1Name& AuthorityCertIssuer() const { return m_authorityCertIssuer; }
  ASN1Name& AuthorityCertIssuer() { return m_authorityCertIssuer; }
  const ASN1Integer& AuthorityCertSerialNumber() const { return m_authorityCertSerialNumber; }
  ASN1Integer& AuthorityCertSerialNumber() { return m_authorityCertSerialNumber; }
  std::int32_t KeyIdentifierWrapped() const { return m_keyIdentifierWrapped; }
  void SetKeyIdentifierWrapped(std::int32_t wrapped) { m_keyIdentifierWrapped = wrapped; }

  void Encode(Blob& out) const override;
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  Blob m_keyIdentifier;
  ASN1Name m_authorityCertIssuer;
  ASN1Integer m_authorityCertSerialNumber;
  std::int32_t m_keyIdentifierWrapped = 0;
};

// 2.5.29.31 (and 2.5.29.46): the URLs of the first distribution point.
//   CRLDistributionPoints ::= SEQUENCE OF DistributionPoint
//   DistributionPoint ::= SEQUENCE { distributionPoint [0] { fullName [0] GeneralNames }, ... }
// Written as one DistributionPoint whose fullName holds every URL as a
// uniformResourceIdentifier [6]. Code 50049.
class ASN1DistributionPoint : public ASN1Primitive {
 public:
  ASN1DistributionPoint() : ASN1Primitive(kUniversal, true, 16) {}

  const std::vector<String>& Urls() const { return m_urls; }
  std::vector<String>& Urls() { return m_urls; }

  void Encode(Blob& out) const override;
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  std::vector<String> m_urls;
};

// 1.3.6.1.5.5.7.1.1
//   AuthorityInfoAccessSyntax ::= SEQUENCE OF AccessDescription
//   AccessDescription ::= SEQUENCE { accessMethod OBJECT IDENTIFIER, accessLocation GeneralName }
// Two methods have a field of their own: kOidAccessFirstUrl (the responder
// address the OCSP client reads) and kOidAccessSecondUrl; other descriptions are
// kept as read and written after them. Code 50050.
inline constexpr const char* kOidAccessFirstUrl = "1.3.6.1.5.5.7.48.3";
inline constexpr const char* kOidAccessSecondUrl = "1.3.6.1.5.5.7.3.9.1";

class ASN1AuthInfoAccess : public ASN1Primitive {
 public:
  ASN1AuthInfoAccess() : ASN1Primitive(kUniversal, true, 16) {}

  const String& FirstUrl() const { return m_firstUrl; }
  void SetFirstUrl(const char* url) { m_firstUrl.Assign(url); }
  const String& SecondUrl() const { return m_secondUrl; }
  void SetSecondUrl(const char* url) { m_secondUrl.Assign(url); }
  const std::vector<ASN1AttrTypeValue>& Others() const { return m_others; }
  std::vector<ASN1AttrTypeValue>& Others() { return m_others; }

  void Encode(Blob& out) const override;
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  String m_firstUrl;
  String m_secondUrl;
  std::vector<ASN1AttrTypeValue> m_others;
};

// A SEQUENCE OF `Item` whose decoding failures all read `kBad`.
template <typename Item, const Message& kBad>
class ASN1SequenceOf : public ASN1Primitive {
 public:
  ASN1SequenceOf() : ASN1Primitive(kUniversal, true, 16) {}

  const std::vector<Item>& Items() const { return m_items; }
  std::vector<Item>& Items() { return m_items; }

  void Encode(Blob& out) const override;
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  std::vector<Item> m_items;
};

extern template class ASN1SequenceOf<ASN1OID, kMsgBadExtendedKeyUsage>;
extern template class ASN1SequenceOf<ASN1AttrTypeValue, kMsgBadCertificatePolicy>;
extern template class ASN1SequenceOf<ASN1AttrTypeValue, kMsgBadQcStatement>;

// 2.5.29.37   ExtKeyUsageSyntax ::= SEQUENCE OF KeyPurposeId. Code 50040.
class ASN1ExtKeyUsage : public ASN1SequenceOf<ASN1OID, kMsgBadExtendedKeyUsage> {};

// 2.5.29.32   CertificatePolicies ::= SEQUENCE OF PolicyInformation
//   PolicyInformation ::= SEQUENCE { policyIdentifier OBJECT IDENTIFIER, policyQualifiers ANY OPTIONAL }
// Code 50039.
class ASN1CertPolicies : public ASN1SequenceOf<ASN1AttrTypeValue, kMsgBadCertificatePolicy> {};

// 1.3.6.1.5.5.7.1.3   QCStatements ::= SEQUENCE OF QCStatement
//   QCStatement ::= SEQUENCE { statementId OBJECT IDENTIFIER, statementInfo ANY OPTIONAL }
// Code 50037.
class ASN1QCStatements : public ASN1SequenceOf<ASN1AttrTypeValue, kMsgBadQcStatement> {};

}  // namespace tavrpki

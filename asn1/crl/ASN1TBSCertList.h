// The signed body of a revocation list.
//
//   TBSCertList ::= SEQUENCE {
//     version             Version OPTIONAL,         -- v2 is INTEGER 1; absent reads as v2
//     signature           AlgorithmIdentifier,
//     issuer              Name,
//     thisUpdate          Time,                     -- UTCTime only here
//     nextUpdate          Time OPTIONAL,            -- taken only when it is a UTCTime
//     revokedCertificates SEQUENCE OF CRLEntry OPTIONAL,
//     crlExtensions       [0] EXPLICIT Extensions OPTIONAL }
//
// The version is held as the number itself (2), not as the INTEGER (1), and is
// always written. The CRL number (2.5.29.20) has a field of its own: when the
// extension is missing and the number is set and not 0, the first encoding
// appends the extension to the list, where it stays. The body keeps the bytes a
// signature covers: exactly as read, or as last written.
#pragma once

#include <cstdint>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/DateTime.h"
#include "asn1/crl/CrlEntryList.h"
#include "asn1/x509/ASN1CertExtension.h"
#include "asn1/x509/ASN1SignedBody.h"

namespace tavrpki {

inline constexpr const char* kOidCrlNumber = "2.5.29.20";
inline constexpr const char* kOidCrlDeltaIndicator = "2.5.29.27";

class ASN1TBSCertList : public ASN1SignedBody {
 public:
  std::int32_t Version() const { return m_version; }
  void SetVersion(std::int32_t version) { m_version = version; }
  const ASN1Integer& CrlNumber() const { return m_crlNumber; }
  ASN1Integer& CrlNumber() { return m_crlNumber; }
  const ASN1AttrTypeValue& Signature() const { return m_signature; }
  ASN1AttrTypeValue& Signature() { return m_signature; }
  const ASN1Name& Issuer() const { return m_issuer; }
  ASN1Name& Issuer() { return m_issuer; }
  // All zero means not set; a body without thisUpdate cannot be written.
  const DateTime& ThisUpdate() const { return m_thisUpdate; }
  void SetThisUpdate(const DateTime& time) { m_thisUpdate = time; }
  const DateTime& NextUpdate() const { return m_nextUpdate; }
  void SetNextUpdate(const DateTime& time) { m_nextUpdate = time; }
  const ExtensionsCollection& CrlExtensions() const { return m_crlExtensions; }
  ExtensionsCollection& CrlExtensions() { return m_crlExtensions; }
  const CrlEntryList& RevokedCertificates() const { return m_revoked; }
  CrlEntryList& RevokedCertificates() { return m_revoked; }

  // Writes the body (appending the CRL number extension when due, see above)
  // and keeps the result as the signed bytes. A body without thisUpdate fails
  // with code 50034.
  void Encode(Blob& out) const override;
  // Every failure is code 50035, except those of an entry (50032, 50033). On
  // failure nothing changes.
  void Decode(ByteView in) override;
  // Reads everything but the entries: the revoked-certificates SEQUENCE is
  // stepped over by its length, so the cost does not grow with the list. The
  // result holds no entries and no signed bytes; it answers questions about the
  // header (issuer, times, number, extensions) and is not for writing or
  // verifying. Failures as Decode, without the entries' own.
  void DecodeHeader(ByteView in);
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence(const ASN1CertExtension* pendingNumber) const;
  // The CRL number extension the next encoding appends, if any.
  bool NumberExtensionDue() const;
  ASN1CertExtension NumberExtension() const;
  void DecodeCoded(ByteView in, bool entries);
  void DecodeUncoded(ByteView in, bool entries);

  std::int32_t m_version = 2;
  ASN1Integer m_crlNumber{0};
  ASN1AttrTypeValue m_signature;
  ASN1Name m_issuer;
  DateTime m_thisUpdate;
  DateTime m_nextUpdate;
  // Encoding may append the CRL number extension to it (see above).
  mutable ExtensionsCollection m_crlExtensions;
  CrlEntryList m_revoked;
  // An empty revokedCertificates SEQUENCE was read (delta lists carry one): it is
  // written back while the list stays empty, so such lists re-encode unchanged.
  bool m_emptyRevokedRead = false;
};

}  // namespace tavrpki

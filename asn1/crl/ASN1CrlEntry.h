// One entry of a revocation list.
//
//   revokedCertificates SEQUENCE OF SEQUENCE {
//     userCertificate    CertificateSerialNumber,
//     revocationDate     Time,                     -- read and written as UTCTime only
//     crlEntryExtensions Extensions OPTIONAL }     -- SEQUENCE OF Extension, no [n] tag
//
// The reason code (2.5.29.21, ENUMERATED) is held as a byte of its own and not in
// the extension list; a value of 10 or more means "no reason code" and writes no
// extension. A read reason extension with a code from 10 up (real lists use 10,
// aACompromise) still reads as that byte and also stays in the extension list as
// read, so the entry writes back unchanged. The extension SEQUENCE is always
// written, empty too (30 00).
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/DateTime.h"
#include "asn1/x509/ASN1CertExtension.h"

namespace tavrpki {

// The reason code a new entry holds: none.
inline constexpr std::uint8_t kCrlNoReason = 0xFF;
// Reason codes from here up are not written.
inline constexpr std::uint8_t kCrlFirstNonReason = 10;
// removeFromCRL: a delta list's way of lifting a revocation.
inline constexpr std::uint8_t kCrlReasonRemoveFromCrl = 8;
inline constexpr const char* kOidCrlReason = "2.5.29.21";

class ASN1CrlEntry : public ASN1Primitive {
 public:
  ASN1CrlEntry() : ASN1Primitive(kUniversal, true, 16) {}

  const ASN1Integer& UserCertificate() const { return m_userCertificate; }
  ASN1Integer& UserCertificate() { return m_userCertificate; }
  const DateTime& RevocationDate() const { return m_revocationDate; }
  void SetRevocationDate(const DateTime& date) { m_revocationDate = date; }
  std::uint8_t ReasonCode() const { return m_reasonCode; }
  void SetReasonCode(std::uint8_t reason) { m_reasonCode = reason; }
  bool HasReason() const { return m_reasonCode < kCrlFirstNonReason; }
  // Entry extensions other than a reason code below 10, in the order read or added.
  const std::vector<ASN1CertExtension>& Extensions() const { return m_extensions; }
  std::vector<ASN1CertExtension>& Extensions() { return m_extensions; }

  void Encode(Blob& out) const override;
  // Every failure is code 50032, except an extension outside the 2.5.29 arc
  // (50033). On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Integer m_userCertificate;
  DateTime m_revocationDate;
  std::uint8_t m_reasonCode = kCrlNoReason;
  std::vector<ASN1CertExtension> m_extensions;
};

}  // namespace tavrpki

// The status of one certificate in an OCSP response.
//
//   SingleResponse ::= SEQUENCE {
//     certID           CertID,
//     certStatus       CertStatus,
//     thisUpdate       GeneralizedTime,
//     nextUpdate       [0] EXPLICIT GeneralizedTime OPTIONAL,
//     singleExtensions [1] EXPLICIT Extensions OPTIONAL }
//   CertStatus ::= CHOICE { good [0] IMPLICIT NULL, revoked [1] IMPLICIT RevokedInfo,
//                           unknown [2] IMPLICIT UnknownInfo }
//   RevokedInfo ::= SEQUENCE { revocationTime GeneralizedTime,
//                              revocationReason [0] EXPLICIT CRLReason OPTIONAL }
#pragma once

#include <cstdint>

#include "asn1/ASN1Primitive.h"
#include "asn1/DateTime.h"
#include "asn1/ocsp/ASN1OCSPCertID.h"
#include "asn1/ocsp/OcspOids.h"
#include "asn1/x509/ASN1CertExtension.h"

namespace tavrpki {

class ASN1OCSPSingleResponse : public ASN1Primitive {
 public:
  ASN1OCSPSingleResponse();

  const ASN1OCSPCertID& CertID() const { return m_certId; }
  ASN1OCSPCertID& CertID() { return m_certId; }
  // kOcspGood, kOcspRevoked or kOcspUnknown.
  std::uint8_t CertStatus() const { return m_certStatus; }
  void SetCertStatus(std::uint8_t status) { m_certStatus = status; }
  // For a revoked status: the time (empty when the response gave none) and the
  // CRL reason code (kOcspNoReason when it gave none; not written then). A
  // revoked status without a time is written with empty content, as it reads.
  const DateTime& RevocationTime() const { return m_revocationTime; }
  void SetRevocationTime(const DateTime& time) { m_revocationTime = time; }
  std::uint32_t RevocationReason() const { return m_revocationReason; }
  void SetRevocationReason(std::uint32_t reason) { m_revocationReason = reason; }
  const DateTime& ThisUpdate() const { return m_thisUpdate; }
  void SetThisUpdate(const DateTime& time) { m_thisUpdate = time; }
  // Empty: absent, not written.
  const DateTime& NextUpdate() const { return m_nextUpdate; }
  void SetNextUpdate(const DateTime& time) { m_nextUpdate = time; }
  // Written under [1] when not empty.
  const ExtensionsCollection& SingleExtensions() const { return m_singleExtensions; }
  ExtensionsCollection& SingleExtensions() { return m_singleExtensions; }

  // A status other than the three is refused with code 50045.
  void Encode(Blob& out) const override;
  // An identifier other than the single octet 30 is code 50042, as are the
  // CertID's failures; everything else is 50045. After thisUpdate a [0] is read
  // as nextUpdate and a [1] as the extensions; other trailing bytes are not read.
  // On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  ASN1OCSPCertID m_certId;
  std::uint8_t m_certStatus = kOcspGood;
  DateTime m_revocationTime;
  std::uint32_t m_revocationReason = kOcspNoReason;
  DateTime m_thisUpdate;
  DateTime m_nextUpdate;
  ExtensionsCollection m_singleExtensions;
};

}  // namespace tavrpki

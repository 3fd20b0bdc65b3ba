#include "asn1/crl/ASN1TBSCertList.h"

#include <algorithm>
#include <limits>

#include "asn1/ASN1UTCTime.h"
#include "asn1/Der.h"
#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

// How many elements `list` holds, to size the entry records once. Only headers
// are read; a bad one ends the count and is reported by the reading itself.
std::uint32_t ElementCount(DerReader list) {
  std::uint32_t count = 0;
  try {
    for (; list.HasMore(); ++count) list.Next();
  } catch (const Exception&) {
  }
  return count;
}

}  // namespace

bool ASN1TBSCertList::NumberExtensionDue() const {
  if (m_crlExtensions.Find(kOidCrlNumber) != nullptr) return false;
  return std::any_of(m_crlNumber.begin(), m_crlNumber.end(), [](std::uint8_t b) { return b != 0; });
}

ASN1CertExtension ASN1TBSCertList::NumberExtension() const {
  ASN1Integer number;
  number.SetBytes(m_crlNumber.View());
  return ASN1CertExtension(kOidCrlNumber, false, number);
}

ASN1Primitive ASN1TBSCertList::Sequence(const ASN1CertExtension* pendingNumber) const {
  if (m_thisUpdate.IsEmpty()) Raise(kMsgCrlTimeNotSet);
  ASN1Primitive body(TagClass(), IsConstructed(), TagNumber());
  body.AppendChild(ASN1Integer(static_cast<std::int64_t>(m_version) - 1));
  body.AppendChild(m_signature);
  body.AppendChild(m_issuer);
  body.AppendChild(ASN1UTCTime(m_thisUpdate));
  if (!m_nextUpdate.IsEmpty()) body.AppendChild(ASN1UTCTime(m_nextUpdate));
  if (!m_revoked.IsEmpty() || m_emptyRevokedRead) {
    ASN1Primitive list(kUniversal, true, 16);
    m_revoked.EncodeTo(list);
    body.AppendChild(list);
  }
  if (m_crlExtensions.Count() != 0 || pendingNumber != nullptr) {
    ASN1Primitive sequence(kUniversal, true, 16);
    for (const ASN1CertExtension& extension : m_crlExtensions) sequence.AppendChild(extension);
    if (pendingNumber != nullptr) sequence.AppendChild(*pendingNumber);
    ASN1Primitive tagged(kContextSpecific, true, 0);
    tagged.AppendChild(sequence);
    body.AppendChild(tagged);
  }
  return body;
}

void ASN1TBSCertList::Encode(Blob& out) const {
  if (NumberExtensionDue()) {
    const ASN1CertExtension number = NumberExtension();
    Sequence(&number).Encode(out);
    m_crlExtensions.Append(number);
  } else {
    Sequence(nullptr).Encode(out);
  }
  KeepSignedBytes(out.View());
}

std::uint32_t ASN1TBSCertList::EncodedSize() const {
  if (!NumberExtensionDue()) return Sequence(nullptr).EncodedSize();
  const ASN1CertExtension number = NumberExtension();
  return Sequence(&number).EncodedSize();
}

void ASN1TBSCertList::DecodeUncoded(ByteView in, bool entries) {
  auto [whole, fields] = x509::OpenSignedBody(in, kMsgBadCrl);
  ASN1TBSCertList body;

  // version: v1 lists leave it out; they read as version 2 (and are written so).
  if (x509::NextIs(fields, 0x02)) {
    ASN1Integer version;
    fields.Read(version);
    const std::int64_t value = version.GetValue();
    if (value < 0 || value >= std::numeric_limits<std::int32_t>::max()) Raise(kMsgBadCrl);
    body.m_version = static_cast<std::int32_t>(value + 1);
  }
  fields.Read(body.m_signature);
  fields.Read(body.m_issuer);

  ASN1UTCTime thisUpdate;
  fields.Read(thisUpdate);
  body.m_thisUpdate = thisUpdate.GetTime();
  // A GeneralizedTime nextUpdate is not taken, so it fails below as a stray element.
  if (x509::NextIs(fields, 0x17)) {
    ASN1UTCTime nextUpdate;
    fields.Read(nextUpdate);
    body.m_nextUpdate = nextUpdate.GetTime();
  }

  if (x509::NextIs(fields, 0x30) && !entries) {
    x509::Enter(fields, 0x30, kMsgBadCrl);  // stepped over by its length, entries unread
  } else if (x509::NextIs(fields, 0x30)) {
    DerReader list = x509::Enter(fields, 0x30, kMsgBadCrl);
    body.m_revoked.Reserve(ElementCount(list));
    while (list.HasMore()) body.m_revoked.AppendEncoded(list.Next());
    body.m_emptyRevokedRead = body.m_revoked.IsEmpty();
  }

  if (fields.HasMore()) {
    DerReader tagged = x509::Enter(fields, 0xA0, kMsgBadCrl);
    DerReader list = x509::Enter(tagged, 0x30, kMsgBadCrl);
    // Anything after the SEQUENCE inside [0], or after [0] in the body, is not
    // read (not an error here).
    while (list.HasMore()) {
      ASN1CertExtension extension;
      extension.Decode(list.Next());
      if (extension.OidText().Equals(kOidCrlNumber)) body.m_crlNumber.Decode(extension.Value());
      body.m_crlExtensions.Append(extension);
    }
  }

  if (entries) body.KeepSignedBytes(whole);
  *this = std::move(body);
}

void ASN1TBSCertList::Decode(ByteView in) { DecodeCoded(in, true); }

void ASN1TBSCertList::DecodeHeader(ByteView in) { DecodeCoded(in, false); }

void ASN1TBSCertList::DecodeCoded(ByteView in, bool entries) {
  try {
    DecodeUncoded(in, entries);
  } catch (const Exception& e) {
    if (e.GetErrorCode() == kMsgBadCrlEntry.code || e.GetErrorCode() == kMsgUnknownCrlExtension.code) throw;
    Raise(kMsgBadCrl);
  }
}

}  // namespace tavrpki

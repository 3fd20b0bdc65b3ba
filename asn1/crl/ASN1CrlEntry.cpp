#include "asn1/crl/ASN1CrlEntry.h"

#include "asn1/Der.h"
#include "asn1/crl/CrlEntryList.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace crl {

Blob ExtensionsDer(const ASN1CrlEntry& entry) {
  Blob all;
  for (const ASN1CertExtension& extension : entry.Extensions()) {
    // A reason extension kept as read (a code from 10 up) gives way to a reason
    // code set since: one entry never writes two.
    if (entry.HasReason() && extension.OidText() == kOidCrlReason) continue;
    Blob der;
    extension.Encode(der);
    all.Append(der);
  }
  return all;
}

}  // namespace crl

void ASN1CrlEntry::Encode(Blob& out) const {
  const Blob extensions = crl::ExtensionsDer(*this);
  const SYSTEMTIME& date = m_revocationDate.SystemTime();
  const std::uint64_t size = crl::EntrySize(m_userCertificate.View(), date, m_reasonCode, extensions);
  if (size > 0xFFFFFFFFu) Raise(kMsgBadCrlEntry);
  crl::WriteEntry(out.ResizeAndGet(static_cast<std::uint32_t>(size)), m_userCertificate.View(), date, m_reasonCode,
                  extensions);
}

std::uint32_t ASN1CrlEntry::EncodedSize() const {
  return static_cast<std::uint32_t>(crl::EntrySize(m_userCertificate.View(), m_revocationDate.SystemTime(),
                                                   m_reasonCode, crl::ExtensionsDer(*this)));
}

void ASN1CrlEntry::Decode(ByteView in) {
  crl::EntryParts parts;
  crl::ReadEntry(in, parts);
  ASN1CrlEntry entry;
  entry.m_userCertificate.SetBytes(parts.serial);
  entry.m_revocationDate = DateTime(parts.date);
  entry.m_reasonCode = parts.reason;
  DerReader extensions(parts.extensions);
  while (extensions.HasMore()) extensions.Read(entry.m_extensions.emplace_back());
  *this = std::move(entry);
}

}  // namespace tavrpki

#include "asn1/crl/ASN1CrlEntry.h"

#include "asn1/Der.h"
#include "asn1/crl/CrlEntryList.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

Blob ExtensionsDer(const std::vector<ASN1CertExtension>& extensions) {
  Blob all;
  for (const ASN1CertExtension& extension : extensions) {
    Blob der;
    extension.Encode(der);
    all.Append(der);
  }
  return all;
}

}  // namespace

void ASN1CrlEntry::Encode(Blob& out) const {
  const Blob extensions = ExtensionsDer(m_extensions);
  const SYSTEMTIME& date = m_revocationDate.SystemTime();
  const std::uint64_t size = crl::EntrySize(m_userCertificate.View(), date, m_reasonCode, extensions);
  if (size > 0xFFFFFFFFu) Raise(kMsgBadCrlEntry);
  crl::WriteEntry(out.ResizeAndGet(static_cast<std::uint32_t>(size)), m_userCertificate.View(), date, m_reasonCode,
                  extensions);
}

std::uint32_t ASN1CrlEntry::EncodedSize() const {
  return static_cast<std::uint32_t>(crl::EntrySize(m_userCertificate.View(), m_revocationDate.SystemTime(),
                                                   m_reasonCode, ExtensionsDer(m_extensions)));
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

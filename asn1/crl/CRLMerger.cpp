#include "asn1/crl/CRLMerger.h"

namespace tavrpki {

bool CRLMerger::Find(const ASN1Integer& serial, ASN1CrlEntry& out) const {
  const std::uint32_t index = m_entries.FindLatest(serial.View());
  if (index == CrlEntryList::kNotFound) return false;
  out = m_entries.Get(index);
  return true;
}

bool CRLMerger::IsRevoked(const ASN1Integer& serial) const {
  const std::uint32_t index = m_entries.FindLatest(serial.View());
  return index != CrlEntryList::kNotFound && m_entries.ReasonCode(index) != kCrlReasonRemoveFromCrl;
}

}  // namespace tavrpki

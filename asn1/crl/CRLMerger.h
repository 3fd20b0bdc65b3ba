// `CRLMerger`: the entries of a base list and the delta lists that apply to it,
// looked up together by serial number.
//
// A delta entry dated after the base entry wins; one with reason removeFromCRL
// (8) so lifts a revocation (a certificate on hold that was released).
#pragma once

#include "asn1/ASN1Integer.h"
#include "asn1/crl/ASN1CrlEntry.h"
#include "asn1/crl/CrlEntryList.h"

namespace tavrpki {

class CRLMerger {
 public:
  CRLMerger() = default;
  CRLMerger(const CRLMerger&) = default;
  CRLMerger& operator=(const CRLMerger&) = default;
  virtual ~CRLMerger() = default;

  void Add(const ASN1CrlEntry& entry) { m_entries.Append(entry); }
  // Copies every entry of `entries`, in order.
  void Add(const CrlEntryList& entries) { m_entries.Append(entries); }
  std::uint32_t Count() const { return m_entries.Count(); }

  // The gathered entry for `serial` with the latest revocation date, the one
  // added first winning a tie: true and a copy in `out`, or false (`out`
  // untouched). An empty serial fails with code 50021.
  bool Find(const ASN1Integer& serial, ASN1CrlEntry& out) const;
  // True when Find finds an entry and its reason is not removeFromCRL.
  bool IsRevoked(const ASN1Integer& serial) const;

 private:
  CrlEntryList m_entries;
};

}  // namespace tavrpki

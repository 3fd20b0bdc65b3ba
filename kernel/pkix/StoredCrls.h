// The newest base and delta revocation list of an issuer among those a
// certificate storage (<tavrpki/CertStorage.h>) holds, for `CKernel::FindCRL`.
//
// Gathering walks every list the storage reports (slot 14) and keeps those whose
// header decodes and whose issuer Name equals the given one (Name equality: same
// count, each attribute matched by type, tag and content); a list whose header or
// delta indicator does not decode is skipped. Only the header is read there (the
// entries are stepped over by their length), so a walk over many large lists
// costs little more than copying this issuer's lists.
//
// Choosing follows the order the storage reported them in, among the lists that
// decode in full (a list that does not is skipped, as if never reported):
// - base: among lists without "2.5.29.27", the first, replaced by a later one when
//   both carry a CRL number and the later one's is greater, or, when either lacks
//   one, when the later one's thisUpdate is not earlier;
// - delta: among lists with "2.5.29.27", the first, replaced by a later one whose
//   CRL number is greater than the choice's, not below the base's, and whose base
//   number is not above the base's.
// So a delta that does not fit the base is still taken when it is the first one.
// A list is decoded in full only when it would become the choice; where the
// rules reduce to "the first (or last) greatest", candidates are tried greatest
// first, so usually only the winner is decoded.
//
// Failures of the storage pass through; an allocation failure inside the walk is
// raised after the storage's call returned, never through the storage's frames.
#pragma once

#include <optional>
#include <vector>

#include <tavrpki/CertStorage.h>

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/Blob.h"
#include "asn1/crl/ASN1CRL.h"

namespace tavrpki {

struct StoredCrl {
  Blob der;                 // as the storage reported it
  ASN1CRL header;           // ASN1CRL::DecodeHeader: no entries
  bool hasNumber = false;   // carries "2.5.29.20"
  bool delta = false;       // carries "2.5.29.27"
  ASN1Integer baseNumber;   // the delta indicator's value
  // Whether the whole list decodes: unknown until the choice asks.
  std::optional<bool> decodes;
};

// The lists of `issuer`, in the storage's order.
std::vector<StoredCrl> GatherCrls(CertStorage& storage, const ASN1Name& issuer);

struct CrlChoice {
  std::optional<std::size_t> base;   // index into the gathered lists
  std::optional<std::size_t> delta;  // only when a base was found
};

// Decodes the candidates it needs in full (recording `decodes`); a chosen list
// has decoded.
CrlChoice ChooseCrls(std::vector<StoredCrl>& lists);

}  // namespace tavrpki

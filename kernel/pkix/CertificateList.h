// The internal object behind a certificate chain: certificates in order, each
// with the trusted flag it was added with. A value type.
#pragma once

#include <optional>
#include <vector>

#include "asn1/DateTime.h"
#include "asn1/x509/ASN1Certificate.h"

namespace tavrpki {

struct CertificateEntry {
  ASN1Certificate certificate;
  bool trusted = false;
};

class CertificateList {
 public:
  std::vector<CertificateEntry> entries;
  // The time validation checks dates at; none: the time of the call.
  std::optional<DateTime> validationTime;
};

}  // namespace tavrpki

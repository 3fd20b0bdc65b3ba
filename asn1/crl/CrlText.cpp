#include "asn1/crl/CrlText.h"

#include "asn1/crl/ASN1CRL.h"

namespace tavrpki {
namespace {

std::string Text(const DateTime& time) {
  if (time.IsEmpty()) return std::string();
  return String::Formatted("%04d-%02d-%02d %02d:%02d:%02d UTC", time.Year(), time.Month(), time.Day(), time.Hour(),
                           time.Minute(), time.Second())
      .CStr();
}

}  // namespace

CrlHeadline ReadCrlHeadline(std::span<const std::uint8_t> der) {
  ASN1CRL list;
  list.Decode(der);
  const ASN1TBSCertList& body = list.TBSCertList();
  return {body.Issuer().ToUtf8Text(), Text(body.ThisUpdate()), Text(body.NextUpdate())};
}

}  // namespace tavrpki

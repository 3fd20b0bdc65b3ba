// What a program shows of a revocation list beyond the members of the exported
// class: the issuer name and the two dates, as text. Public: the tool's
// `crl show` uses it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tavrpki {

struct CrlHeadline {
  std::string issuer;      // "CN = ...; O = ...; " in UTF-8, from the values' own octets
  std::string thisUpdate;  // "YYYY-MM-DD hh:mm:ss UTC"
  std::string nextUpdate;  // the same, or empty when the list has none
};

// Reads the list's DER; its decoding failures (codes 50032-50035) are thrown as
// tavrpki::Exception.
CrlHeadline ReadCrlHeadline(std::span<const std::uint8_t> der);

}  // namespace tavrpki

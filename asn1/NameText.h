// A distinguished name's DER as the one-line text programs show to people
// ("CN = ...; O = ...; C = UA"), in UTF-8 from the values' own octets. The
// labels and their order are those of the library's name rendering; attributes
// of other types are left out. For programs that hold a Name's DER (the
// certificate store's columns, for one) and no certificate object.
//
// DER that is not a Name throws tavrpki::Exception (a tavrpki::ExceptionBase).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tavrpki {

std::string NameTextUtf8(std::span<const std::uint8_t> nameDer);

}  // namespace tavrpki

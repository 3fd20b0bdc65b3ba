// A distinguished name from the one-line text people type for it:
//
//   CN=Іван Петренко,O=ТОВ "Приклад",C=UA,serialNumber=TINUA-1234567890
//
// Attributes are separated by ",", each "TYPE=value", written into the name in
// the order of the text (one attribute per relative distinguished name). Types,
// case-insensitive: CN, SN, GN, O, OU, C, L, ST, serialNumber, title, UID, E.
// Values are UTF-8 with RFC 4514 escaping: "\" before one of , + " \ < > ; = #
// or a space, or "\" and two hexadecimal digits for one octet. Spaces around a
// type or a value are dropped; an escaped one is kept. A '"' inside a value
// needs no escape (as most people write a company name).
//
// Value types are those of the real certificates: PrintableString for C (two
// letters) and serialNumber, IA5String for E (an e-mail address is ASCII),
// UTF8String for every other text.
//
// Text that does not parse, an unknown type, a type given twice, an empty value,
// a multi-valued RDN ("+"), a "#" hex value, malformed UTF-8 or a value its type
// cannot carry throws tavrpki::Exception code 290000 naming the fault.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavrpki {

// The DER of the Name.
std::vector<std::uint8_t> NameDerFromText(std::string_view text);

}  // namespace tavrpki

// The element tree of DER input as text, one line per element, in the layout of
// `openssl asn1parse`:
//
//     0:d=0  hl=4 l=1234 cons: SEQUENCE
//     4:d=1  hl=2 l=   3 prim: INTEGER           :02
//
// with the readable value of universal elements (numbers, object identifiers,
// times, texts, names). The walk is iterative, so nesting depth costs heap memory
// in proportion to the input, never stack.
//
// Values that break their type's rules (an object identifier whose last arc never
// ends or overflows 64 bits, an impossible date, a boolean of the wrong size...)
// are shown in hexadecimal with a "BAD <kind>" mark and counted, and the walk goes
// on. Constructed elements of indefinite length (BER, not DER) are walked to their
// end-of-contents octets, shown with l= inf and counted. A structure that cannot be
// walked (a length past its parent's end, missing octets) stops the walk: the lines
// before it have been delivered, then tavrpki::Exception (a
// tavrpki::ExceptionBase) is thrown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace tavrpki {

struct DerTextSummary {
  std::size_t elements = 0;
  std::size_t badValues = 0;       // values shown with a BAD mark
  std::size_t indefiniteLengths = 0;
};

// Calls `line` with the text of each element's line (no line end), in order.
DerTextSummary WriteDerTree(std::span<const std::uint8_t> der,
                            const std::function<void(std::string_view)>& line);

}  // namespace tavrpki

// Telling apart the three ways a DER object reaches us in a file: the bytes
// themselves, a PEM block ("-----BEGIN ...-----", Base64, "-----END ...-----") or
// bare Base64 text, and turning each into the DER bytes.
//
// Bare Base64 is recognised only when the input is at least four significant
// characters of the Base64 alphabet (blanks and line ends aside) and decodes
// cleanly; input made of alphabet characters that fails to decode but is exactly
// one DER element counts as DER. So a short file such as the single byte "0" is DER
// (and is refused by the DER reader for what it is), not badly padded Base64.
//
// Failures throw tavrpki::Exception (a tavrpki::ExceptionBase) and leave nothing
// behind: a PEM block without its END line, PEM or Base64 text that does not decode,
// empty input.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavrpki {

enum class InputForm { kDer, kPem, kBase64 };

struct DerInput {
  InputForm form = InputForm::kDer;
  std::vector<std::uint8_t> der;
};

// The form of `data` and the DER it carries (the first block of PEM input).
DerInput DecodeDerInput(std::span<const std::uint8_t> data);

}  // namespace tavrpki

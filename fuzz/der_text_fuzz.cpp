// The tool's reading of untrusted files: input detection (DER, PEM, Base64) and
// the DER tree printer on whatever comes out. Either may refuse with the codec's
// exception; neither may read out of bounds, recurse without bound or crash. The
// printer must deliver one line per element it counts, and never more elements
// than the input has bytes over two (each takes at least two octets).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "asn1/DerText.h"
#include "asn1/InputForm.h"
#include "core/ExceptionBase.h"

using namespace tavrpki;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DerInput input;
  try {
    input = DecodeDerInput({data, size});
  } catch (const ExceptionBase&) {
    return 0;
  }
  std::size_t lines = 0;
  DerTextSummary summary;
  try {
    summary = WriteDerTree(input.der, [&](std::string_view line) {
      if (line.empty()) std::abort();
      ++lines;
    });
  } catch (const ExceptionBase&) {
    return 0;
  }
  if (summary.elements != lines || lines > input.der.size() / 2) std::abort();
  return 0;
}

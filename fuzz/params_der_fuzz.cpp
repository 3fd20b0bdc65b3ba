// DSTU 4145 parameter DER: reading never crashes or reads past the input, a failed
// read leaves the target unchanged, and what reads writes back to DER that reads to
// the same parameters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Exception.h"
#include "crypto/params/DstuParams.h"

using namespace tavrpki;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView in(data, size);
  for (const bool storedOrder : {true, false}) {
    CAsymmetric4145Params target;
    target.m = 7;
    const CAsymmetric4145Params before = target;
    try {
      DecodeDstuParams(in, storedOrder, target);
    } catch (const Exception&) {
      if (!(target == before)) std::abort();
      continue;
    }
    // Explicit parameters with an unusable curve cannot be compressed again, and a
    // table lookup by OID always re-encodes: only complete reads are compared.
    Blob again;
    try {
      again = EncodeDstuParams(target);
    } catch (const Exception&) {
      continue;
    }
    CAsymmetric4145Params reread;
    DecodeDstuParams(again, true, reread);
    if (!(reread == target)) std::abort();
  }
  return 0;
}

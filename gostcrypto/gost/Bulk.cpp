#include "Bulk.h"

namespace gostcrypto::detail {

// Where the CPU has byte permutes (AVX-512 VBMI) or byte shuffles (AVX2) every
// parallel mode runs constant time, and faster than the tables. The portable path
// keeps the combined tables for speed; docs/side-channels.md records what that means.
const BulkOps& OpsFor(CipherPath path) {
#if defined(TAVRPKI_HAVE_AVX512_KERNELS)
  if (path == CipherPath::kAvx512) return Avx512Ops();
#endif
#if defined(TAVRPKI_HAVE_AVX2_KERNELS)
  if (path == CipherPath::kAvx2) return Avx2Ops();
#endif
  (void)path;
  return PortableTableOps();
}

}  // namespace gostcrypto::detail

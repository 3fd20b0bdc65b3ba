#include "Bulk.h"

namespace gostcrypto::detail {

// Where the CPU has byte permutes every parallel mode runs constant time at full
// speed. The portable path keeps the combined tables for speed; docs/side-channels.md
// records what that means.
const BulkOps& OpsFor(CpuPath path) {
#if defined(TAVRPKI_HAVE_AVX512_KERNELS)
  if (path == CpuPath::kAvx512) return Avx512Ops();
#endif
  (void)path;
  return PortableTableOps();
}

}  // namespace gostcrypto::detail

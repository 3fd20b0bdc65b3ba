#include "kernel/GetKernelInstance.h"

#include "core/OidTable.h"
#include "kernel/Boundary.h"

Kernel::CKernel GetKernelInstance() {
  // No once-guard: a changed "RootOID" takes effect with the next kernel.
  Kernel::Boundary([] { tavrpki::BuildOidTable(); });
  return Kernel::CKernel();
}

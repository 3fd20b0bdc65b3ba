#include "kernel/ChainOcsp.h"

#include "core/Exception.h"

namespace Kernel {

tavrpki::pkix::OcspAnswer OcspStatusForChain(const CKernel&, const CKernelCertificate&, const char*) {
  // The OCSP client is not part of this build yet.
  throw tavrpki::Exception("OCSP client not available in this build");
}

}  // namespace Kernel

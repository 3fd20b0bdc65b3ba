#include "core/CKernelUtils.h"

#include <cstring>

#include "core/Catalogue.h"
#include "kernel/CKernelException.h"

namespace tavrpki {

// Throws the exported exception itself rather than `Exception`: operations that
// map every internal `Exception` to a code of their own must still report a short
// buffer as 100000.
void CKernelUtils::CopyResult(const void* data, unsigned long dataLength, void* out,
                              unsigned long* outLength) {
  if (data == nullptr || dataLength == 0 || outLength == nullptr)
    throw Kernel::CKernelException(kMsgInvalidParameter.code, kMsgInvalidParameter.format);
  if (out == nullptr) {
    *outLength = dataLength;
    return;
  }
  if (*outLength < dataLength) {
    *outLength = dataLength;
    throw Kernel::CKernelException(kMsgBufferTooSmall.code, kMsgBufferTooSmall.format);
  }
  *outLength = dataLength;
  std::memcpy(out, data, dataLength);
}

}  // namespace tavrpki

#include "core/CKernelUtils.h"

#include <cstring>

#include "core/Catalogue.h"

namespace tavrpki {

BufferTooSmall::BufferTooSmall() : Exception(kMsgBufferTooSmall.code, "%s", kMsgBufferTooSmall.format) {}

void CKernelUtils::CopyResult(const void* data, unsigned long dataLength, void* out,
                              unsigned long* outLength) {
  if (data == nullptr || dataLength == 0 || outLength == nullptr)
    Raise(kMsgInvalidParameter);
  if (out == nullptr) {
    *outLength = dataLength;
    return;
  }
  if (*outLength < dataLength) {
    *outLength = dataLength;
    throw BufferTooSmall();
  }
  *outLength = dataLength;
  std::memcpy(out, data, dataLength);
}

}  // namespace tavrpki

// The caller-buffer rule of every exported getter that returns bytes or text.
#pragma once

#include <cstdint>
#include <span>

namespace tavrpki {

class CKernelUtils {
 public:
  virtual ~CKernelUtils() = default;

  // Copies a result into the caller's (out, *outLength) pair:
  //   data null, dataLength 0 or outLength null -> CKernelException 100021;
  //   out null                                  -> *outLength = dataLength (a size query);
  //   *outLength < dataLength                   -> *outLength = dataLength, CKernelException 100000;
  //   otherwise                                 -> copies, *outLength = dataLength.
  // A failure leaves `out` untouched. Texts count their NUL in dataLength where the
  // operation says so.
  static void CopyResult(const void* data, unsigned long dataLength, void* out,
                         unsigned long* outLength);
  static void CopyResult(std::span<const std::uint8_t> data, void* out, unsigned long* outLength) {
    CopyResult(data.data(), static_cast<unsigned long>(data.size()), out, outLength);
  }
};

}  // namespace tavrpki

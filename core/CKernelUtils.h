// The caller-buffer rule of every exported getter that returns bytes or text.
#pragma once

#include <cstdint>
#include <span>

#include "core/Exception.h"

namespace tavrpki {

// A caller's buffer too small for a result (100000, "Не достатній розмір буфуре").
// A type of its own so that code which maps internal failures to a code of its
// own can let it through: the caller must always learn that it can retry with the
// length it was given.
class BufferTooSmall final : public Exception {
 public:
  BufferTooSmall();
};

class CKernelUtils {
 public:
  virtual ~CKernelUtils() = default;

  // Copies a result into the caller's (out, *outLength) pair:
  //   data null, dataLength 0 or outLength null -> Exception 100021;
  //   out null                                  -> *outLength = dataLength (a size query);
  //   *outLength < dataLength                   -> *outLength = dataLength, BufferTooSmall;
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

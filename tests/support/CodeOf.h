// The code of the library exception (internal `Exception` or exported
// `CKernelException`) that `body` throws, or 0 when it throws none.
#pragma once

#include "core/ExceptionBase.h"

namespace tavrpki::test {

template <class Body>
unsigned long CodeOf(Body&& body) {
  try {
    body();
  } catch (const ExceptionBase& error) {
    return error.GetErrorCode();
  }
  return 0;
}

}  // namespace tavrpki::test

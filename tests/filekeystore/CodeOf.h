// The code of the library exception `body` throws, or 0 when it throws none.
#pragma once

#include "core/ExceptionBase.h"

namespace tavrpki::filekeystore {

template <class Body>
unsigned long CodeOf(Body&& body) {
  try {
    body();
  } catch (const ExceptionBase& error) {
    return error.GetErrorCode();
  }
  return 0;
}

}  // namespace tavrpki::filekeystore

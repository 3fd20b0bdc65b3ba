// Error wrapping of the codec: a failure inside an operation is replaced by the
// operation's own message around the inner one ("Error decoding OID: ..."), so
// that nested messages read from the outer type to the failing one.
#pragma once

#include "core/Exception.h"

namespace tavrpki {

template <typename Body>
void Wrapped(const Message& wrapper, Body&& body) {
  try {
    body();
  } catch (const Exception& inner) {
    Raise(wrapper, inner.GetErrorMessage());
  }
}

}  // namespace tavrpki

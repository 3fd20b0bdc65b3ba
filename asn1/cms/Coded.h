// The structures of a signed message report one code each: whatever fails inside
// their decoder (their own checks and the elements they read) becomes that code,
// so a caller never has to know which child refused the bytes.
#pragma once

#include <stdexcept>

#include "core/Exception.h"

namespace tavrpki::cms {

template <typename Body>
void Coded(const Message& message, Body&& body) {
  try {
    body();
  } catch (const ExceptionBase&) {
    Raise(message);
  } catch (const std::out_of_range&) {
    Raise(message);
  } catch (const std::length_error&) {
    Raise(message);
  }
}

}  // namespace tavrpki::cms

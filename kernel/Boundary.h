// The one place where internal failures become `Kernel::CKernelException`.
//
// Every exported operation runs its body through `Boundary`:
//   void CKernelCertificate::InitFromBuffer(const unsigned char* buffer, unsigned long length) {
//     Boundary([&] {
//       RequireArgument(buffer != nullptr && length != 0);
//       ...
//     });
//   }
// An internal `Exception` reaches the caller with its code and message (cut at
// 4095 characters); a `CKernelException` from a nested exported call passes
// unchanged; standard-library exceptions (std::bad_alloc, ...) pass as they are.
// The few operations that own a code for every other failure use
// `Boundary(kMsg..., body)`, which turns anything that is not one of the
// library's exceptions into that catalogue entry.
#pragma once

#include <utility>

#include "core/Catalogue.h"
#include "core/Exception.h"
#include "kernel/CKernelException.h"

namespace Kernel {

template <class Body>
decltype(auto) Boundary(Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const CKernelException&) {
    throw;
  } catch (const tavrpki::ExceptionBase& error) {
    throw CKernelException(error.GetErrorCode(), error.GetErrorMessage());
  }
}

template <class Body>
decltype(auto) Boundary(const tavrpki::Message& otherwise, Body&& body) {
  try {
    return Boundary(std::forward<Body>(body));
  } catch (const CKernelException&) {
    throw;
  } catch (...) {
    throw CKernelException(otherwise.code, otherwise.format);
  }
}

// Required pointer and length arguments: 100021 when `valid` is false.
inline void RequireArgument(bool valid) {
  if (!valid) tavrpki::Raise(tavrpki::kMsgInvalidParameter);
}

}  // namespace Kernel

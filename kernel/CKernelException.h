// The one exception type callers of the library see.
//
// A code and a Windows-1251 message of at most 4095 characters, held inline, so
// the object is self-contained and can be thrown and caught across the library
// boundary by value. Every exported operation converts internal failures into it
// (kernel/Boundary.h).
#pragma once

#include "core/ExceptionBase.h"

namespace Kernel {

class CKernelException : public tavrpki::ExceptionBase {
 public:
  static constexpr unsigned long kMaxMessageLength = 4095;

  // An empty message.
  explicit CKernelException(unsigned long code);
  // Copies at most 4095 characters of `message` (null counts as empty).
  CKernelException(unsigned long code, const char* message);
  CKernelException(const CKernelException& other);
  CKernelException& operator=(const CKernelException& other);
  virtual ~CKernelException();

  unsigned long GetErrorCode() const override;
  const char* GetErrorMessage() const override;

 private:
  unsigned long m_code;
  char m_message[kMaxMessageLength + 1];
};

}  // namespace Kernel

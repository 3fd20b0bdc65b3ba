// The one exception type callers of the library see.
//
// A code and a Windows-1251 message of at most 4095 characters, held inline, so
// the object is self-contained and can be thrown and caught across the library
// boundary by value. Every exported operation converts internal failures into it
// (kernel/Boundary.h).
//
// The class is complete in this header (every member inline, nothing to link):
// a key storage manager plugin throws it to report a coded failure while seeing
// only the installed headers, and the library passes it on unchanged. Both sides
// compile the same definition, and a catch matches it across the plugin boundary
// by the type's name.
#pragma once

#include <cstring>

#include "core/ExceptionBase.h"

namespace Kernel {

class CKernelException : public tavrpki::ExceptionBase {
 public:
  static constexpr unsigned long kMaxMessageLength = 4095;

  // An empty message.
  explicit CKernelException(unsigned long code) : m_code(code) { m_message[0] = 0; }
  // Copies at most 4095 characters of `message` (null counts as empty).
  CKernelException(unsigned long code, const char* message) : m_code(code) {
    const std::size_t length = message == nullptr ? 0 : strnlen(message, kMaxMessageLength);
    if (length != 0) std::memcpy(m_message, message, length);
    m_message[length] = 0;
  }
  CKernelException(const CKernelException& other) : CKernelException(other.m_code, other.m_message) {}
  CKernelException& operator=(const CKernelException& other) {
    if (this != &other) {
      m_code = other.m_code;
      std::memcpy(m_message, other.m_message, std::strlen(other.m_message) + 1);
    }
    return *this;
  }
  virtual ~CKernelException() = default;

  unsigned long GetErrorCode() const override { return m_code; }
  const char* GetErrorMessage() const override { return m_message; }

 private:
  unsigned long m_code;
  char m_message[kMaxMessageLength + 1];
};

}  // namespace Kernel

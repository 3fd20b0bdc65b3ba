#include "kernel/CKernelException.h"

#include <cstring>

namespace Kernel {

CKernelException::CKernelException(unsigned long code) : m_code(code) { m_message[0] = 0; }

CKernelException::CKernelException(unsigned long code, const char* message) : m_code(code) {
  const std::size_t length = message == nullptr ? 0 : strnlen(message, kMaxMessageLength);
  if (length != 0) std::memcpy(m_message, message, length);
  m_message[length] = 0;
}

CKernelException::CKernelException(const CKernelException& other)
    : CKernelException(other.m_code, other.m_message) {}

CKernelException& CKernelException::operator=(const CKernelException& other) {
  if (this != &other) {
    m_code = other.m_code;
    std::memcpy(m_message, other.m_message, std::strlen(other.m_message) + 1);
  }
  return *this;
}

CKernelException::~CKernelException() = default;

unsigned long CKernelException::GetErrorCode() const { return m_code; }

const char* CKernelException::GetErrorMessage() const { return m_message; }

}  // namespace Kernel

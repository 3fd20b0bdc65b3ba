// The internal exception of the library and the message catalogue entry type.
//
// Internal code throws `Exception` (a code and a formatted Windows-1251 message);
// exactly one helper at each exported boundary turns it into
// `Kernel::CKernelException`. Messages come from the catalogue (core/Catalogue.h):
//   Raise(kMsgInvalidParameter);
//   Raise(kMsgCryptoCore, code);          // printf-style arguments
#pragma once

#include <cstdint>

#include "core/ExceptionBase.h"
#include "core/Message.h"

namespace tavrpki {

inline constexpr std::uint32_t kNoCode = 0xFFFFFFFFu;

class Exception : public ExceptionBase {
 public:
  // Formats `format` printf-style into a buffer of exactly the needed size.
  Exception(std::uint32_t code, const char* format, ...);
  explicit Exception(const char* format, ...);  // code 0xFFFFFFFF
  Exception(const Exception& other);
  Exception& operator=(const Exception& other);
  virtual ~Exception();

  unsigned long GetErrorCode() const override { return m_code; }
  const char* GetErrorMessage() const override { return m_message; }

 private:
  std::uint32_t m_code;
  char* m_message;
};

// Throws `Exception` with the entry's code and its format filled from the arguments.
[[noreturn]] void Raise(Message message, ...);  // by value: va_start needs a non-reference

}  // namespace tavrpki

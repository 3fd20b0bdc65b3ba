// The common base of the library's exceptions: a numeric code and a message in
// the Windows-1251 code page. Kept apart and dependency-free because the exported
// `Kernel::CKernelException` derives from it and is installed for callers.
#pragma once

namespace tavrpki {

class ExceptionBase {
 public:
  // The code; 0xFFFFFFFF for uncoded messages. A 32-bit value, as on Windows.
  virtual unsigned long GetErrorCode() const = 0;
  // The NUL-terminated message, valid as long as the exception object.
  virtual const char* GetErrorMessage() const = 0;

 protected:
  ~ExceptionBase() = default;
};

}  // namespace tavrpki

#include "Messages.h"

#include <cstdarg>
#include <cstdio>

namespace tavrpki::filekeystore {

void Raise(Message message, ...) {
  char text[Kernel::CKernelException::kMaxMessageLength + 1];
  va_list args;
  va_start(args, message);
  const int written = std::vsnprintf(text, sizeof text, message.format, args);
  va_end(args);
  if (written < 0) text[0] = 0;
  throw Kernel::CKernelException(message.code, text);
}

}  // namespace tavrpki::filekeystore

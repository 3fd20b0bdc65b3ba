#include "platform/SystemError.h"

#include <string.h>

#include <cstdio>

namespace tavrpki::platform {

std::string SystemErrorText(int code) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
  // Untranslated and null for unknown numbers, unlike strerror.
  if (const char* text = strerrordesc_np(code)) return text;
#else
  char buffer[256];
  if (strerror_r(code, buffer, sizeof buffer) == 0) return buffer;
#endif
  char fallback[64];
  std::snprintf(fallback, sizeof fallback, "Decription for error not found. Error: %d", code);
  return fallback;
}

}  // namespace tavrpki::platform

#include "Messages.h"

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <string>
#include <string_view>

namespace tavrpki::sqlitestore {
namespace {

// UTF-8 text as Windows-1251; a character the code page lacks, or a byte that is
// not UTF-8, becomes '?'.
std::string ToCp1251(const char* utf8) {
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p != 0) {
    unsigned cp = *p;
    int more = cp < 0x80 ? 0 : cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : -1;
    ++p;
    if (more > 0) cp &= 0x3Fu >> more;
    for (int i = 0; i < more; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) {
        more = -1;
        break;
      }
      cp = cp << 6 | (*p & 0x3Fu);
    }
    const int b = more < 0 ? -1 : detail::Cp1251Byte(cp);
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
  }
  return out;
}

}  // namespace

void Raise(Message message, ...) {
  // The formats use only %s (UTF-8 text, converted here), %d, %u, %lld and %zu.
  std::string out;
  va_list args;
  va_start(args, message);
  for (const char* f = message.format; *f != 0; ++f) {
    if (*f != '%') {
      out.push_back(*f);
      continue;
    }
    char piece[32];
    const std::string_view rest(f + 1);
    if (rest.starts_with("s")) {
      out += ToCp1251(va_arg(args, const char*));
      f += 1;
    } else if (rest.starts_with("d")) {
      std::snprintf(piece, sizeof piece, "%d", va_arg(args, int));
      out += piece;
      f += 1;
    } else if (rest.starts_with("u")) {
      std::snprintf(piece, sizeof piece, "%u", va_arg(args, unsigned));
      out += piece;
      f += 1;
    } else if (rest.starts_with("lld")) {
      std::snprintf(piece, sizeof piece, "%lld", va_arg(args, long long));
      out += piece;
      f += 3;
    } else if (rest.starts_with("zu")) {
      std::snprintf(piece, sizeof piece, "%zu", va_arg(args, std::size_t));
      out += piece;
      f += 2;
    } else {
      out.push_back('%');
    }
  }
  va_end(args);
  out.resize(std::min<std::size_t>(out.size(), Kernel::CKernelException::kMaxMessageLength));
  throw Kernel::CKernelException(message.code, out.c_str());
}

}  // namespace tavrpki::sqlitestore

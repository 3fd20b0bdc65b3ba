// Conversion between the ANSI code page, which on this platform is Windows-1251,
// and UTF-8.
//
// Each function returns 0 on success or the errno value of the failure (EILSEQ
// for a byte sequence the other side cannot represent, EINVAL for a truncated
// UTF-8 sequence); on failure `out` is left empty. Safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace tavrpki::platform {

int Cp1251ToUtf8(std::string_view cp1251, std::string& utf8);
int Utf8ToCp1251(std::string_view utf8, std::string& cp1251);

}  // namespace tavrpki::platform

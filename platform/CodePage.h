// Conversion between the ANSI code page, which on this platform is Windows-1251,
// and UTF-8.
//
// Cp1251ToUtf8 returns 0 on success or the errno value of the failure (EILSEQ for
// the one byte the code page leaves undefined); on failure `utf8` is left empty.
//
// Utf8ToCp1251 never fails on its input, as the Windows conversion it stands in
// for does not: a character the code page lacks ("ʼ", "Ł") and each byte of a
// malformed or truncated UTF-8 sequence become '?', the code page's default
// character, and the rest converts. It returns 0, or an errno value when the
// converter itself is unavailable (then `cp1251` is empty); `substituted`, when
// given, receives the number of '?' put in. Names carry such characters, and one
// of them must not cost the whole text.
//
// Safe to call from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrpki::platform {

inline constexpr char kCp1251DefaultChar = '?';

int Cp1251ToUtf8(std::string_view cp1251, std::string& utf8);
int Utf8ToCp1251(std::string_view utf8, std::string& cp1251, std::size_t* substituted = nullptr);

}  // namespace tavrpki::platform

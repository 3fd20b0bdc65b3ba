// Library texts (Windows-1251) made readable on a UTF-8 terminal, and UTF-8 text
// (a command line, a terminal) made into the library's code page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/ExceptionBase.h"

namespace tavrpki {

// `cp1251` as UTF-8; a byte the code page leaves undefined (0x98) shows as '?'.
// For display only: it never fails.
std::string Utf8ForDisplay(std::string_view cp1251);

// `utf8` in Windows-1251, the code page of the library's names and descriptions.
// A character the code page lacks, or a byte of malformed UTF-8, becomes '?' and
// is counted in `substituted` (when given), so a caller that must not lose a
// character (a key name is also a file name) can refuse the text. Throws the
// coded conversion error only when the system converter itself is unavailable.
std::string Cp1251FromUtf8(std::string_view utf8, std::size_t* substituted = nullptr);

// The exception's message as UTF-8 for display.
std::string MessageAsUtf8(const ExceptionBase& error);

}  // namespace tavrpki

// Library texts (Windows-1251) made readable on a UTF-8 terminal.
#pragma once

#include <string>
#include <string_view>

#include "core/ExceptionBase.h"

namespace tavrpki {

// `cp1251` as UTF-8; a byte the code page leaves undefined (0x98) shows as '?'.
// For display only: it never fails.
std::string Utf8ForDisplay(std::string_view cp1251);

// The exception's message as UTF-8 for display.
std::string MessageAsUtf8(const ExceptionBase& error);

}  // namespace tavrpki

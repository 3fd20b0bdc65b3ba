// The uncoded messages (code 0xFFFFFFFF, that is -1) of the extension handlers.
// The base class and `PKIAllParams` say "Not Implemented"; a handler without an
// attribute or extension form says "Not implemented". Callers match the texts.
#pragma once

#include "core/Cp1251.h"
#include "core/Exception.h"

namespace tavrpki {

inline constexpr Message kMsgBaseNotImplemented{kNoCode, "Not Implemented."};
inline constexpr Message kMsgFormNotImplemented{kNoCode, "Not implemented"};
inline constexpr Message kMsgAllParamsNotImplemented{kNoCode, "Not Implemented"};

// Attribute texts that do not say what their form needs: the key-usage byte as
// one or two hexadecimal digits, the period as "%dY%dM%dD".
inline constexpr Message kMsgBadKeyUsageText{kNoCode, Cp1251<"Некоректне текстове значення використання ключа">};
inline constexpr Message kMsgBadPeriodText{kNoCode, Cp1251<"Некоректне текстове значення періоду дії">};

}  // namespace tavrpki

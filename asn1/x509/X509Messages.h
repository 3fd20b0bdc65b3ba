// The uncoded message of the certificate structures (code 0xFFFFFFFF, that is -1).
// The coded ones (50024-50050) are in core/Catalogue.h.
#pragma once

#include "core/Cp1251.h"
#include "core/Exception.h"

namespace tavrpki {

// A single extension that is not a SEQUENCE; the list around it reports the
// same text with code 50024.
inline constexpr Message kMsgBadCertExtension{kNoCode, Cp1251<"Буфер не є коректним кодованим розширенням сертифікату">};

}  // namespace tavrpki

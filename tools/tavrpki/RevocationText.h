// How the `crl` commands print what a revocation list says about an entry, so
// that `crl show` and `crl check` name reasons and dates the same way.
#pragma once

#include <string>

#include "platform/Time.h"

namespace tavrpki::tool {

// The CRLReason name of RFC 5280 (5.3.1); "-" for an entry without a reason
// code (the library's 255), "reason N" for a code RFC 5280 does not name.
std::string ReasonName(unsigned char reason);

// "YYYY-MM-DD hh:mm:ss UTC".
std::string DateText(const _SYSTEMTIME& time);

}  // namespace tavrpki::tool

// The system's description of an error number, as the HTTP transport reports it.
#pragma once

#include <string>

namespace tavrpki::platform {

// The English description of errno value `code`, or
// "Decription for error not found. Error: <code>" (sic, the library's wording)
// when the system knows none.
std::string SystemErrorText(int code);

}  // namespace tavrpki::platform

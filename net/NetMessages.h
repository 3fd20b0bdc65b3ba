// The uncoded messages (code 0xFFFFFFFF) of the HTTP client. The first four are the
// wording callers have always matched on; the rest say what the transport added.
#pragma once

#include "core/Exception.h"

namespace tavrpki::net {

inline constexpr Message kMsgNotOcspResponse{kNoCode, "Response type isn't ocsp-response."};
inline constexpr Message kMsgNotTimeStampReply{kNoCode, "Response type isn't timestamp-reply."};
inline constexpr Message kMsgInvalidHostName{kNoCode, "HostName is invalid. Check configuration."};
inline constexpr Message kMsgInvalidUrlPath{kNoCode, "Url path is invalid. Check configuration."};

// libcurl's own text for a failed exchange, as the system's text of the error was.
inline constexpr Message kMsgTransferFailed{kNoCode, "%s"};
inline constexpr Message kMsgInvalidUrl{kNoCode, "Url %s is invalid: %s"};
inline constexpr Message kMsgResponseTooLarge{kNoCode, "Response is larger than %u bytes; reading stopped."};
inline constexpr Message kMsgTransportUnavailable{kNoCode, "HTTP client could not be initialised: %s"};

}  // namespace tavrpki::net

// The time-stamp authority on the HTTP framework (RFC 3161, 3.4): POST
// application/timestamp-query at "/" and at "/TSPRequest.ashx", answered with
// application/timestamp-reply. Other paths get 404, other methods 405, another
// content type 415 (a body over the framework's cap is 413 before it gets here).
// A request that arrives is 200 whatever the authority decides: the decision is
// in the TimeStampResp.
//
//   HttpServer server(TsaHandler(authority), {.listen = "127.0.0.1:0"});
#pragma once

#include "TimeStampAuthority.h"
#include "servers/HttpServer.h"

namespace tavrpki::servers {

// The handler for `authority`, which must outlive the server. Thread-safe, as
// the framework's pool needs.
HttpHandler TsaHandler(TimeStampAuthority& authority);

}  // namespace tavrpki::servers

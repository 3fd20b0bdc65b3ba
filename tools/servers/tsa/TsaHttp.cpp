#include "TsaHttp.h"

#include <strings.h>

namespace tavrpki::servers {
namespace {

// The media type without parameters, compared case-insensitively (RFC 9110, 8.3.1).
bool IsQueryType(const std::string& value) {
  static constexpr char kType[] = "application/timestamp-query";
  const std::size_t n = sizeof kType - 1;
  if (value.size() < n || strncasecmp(value.c_str(), kType, n) != 0) return false;
  return value.size() == n || value[n] == ';' || value[n] == ' ' || value[n] == '\t';
}

}  // namespace

HttpHandler TsaHandler(TimeStampAuthority& authority) {
  return [&authority](const HttpRequest& request) {
    if (request.path != "/" && request.path != "/TSPRequest.ashx") return HttpReply{404, "", {}};
    if (request.method != "POST") return HttpReply{405, "", {}};
    if (!IsQueryType(request.contentType)) return HttpReply{415, "", {}};
    return HttpReply{200, "application/timestamp-reply", authority.Answer(request.body)};
  };
}

}  // namespace tavrpki::servers

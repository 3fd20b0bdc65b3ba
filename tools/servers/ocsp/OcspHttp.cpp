#include "OcspHttp.h"

#include "asn1/Base64.h"
#include "core/ExceptionBase.h"

namespace tavrpki::servers {
namespace {

// One DER SEQUENCE filling `der` exactly: how a decoded path segment is told
// from a path prefix such as "ocsp" that happens to be Base64 too.
bool IsOneSequence(const Blob& der) {
  const std::size_t size = der.Size();
  if (size < 2 || der.Data()[0] != 0x30) return false;
  std::size_t length = der.Data()[1];
  std::size_t header = 2;
  if (length & 0x80) {
    const std::size_t octets = length & 0x7F;
    if (octets == 0 || octets > 4 || size < 2 + octets) return false;
    length = 0;
    for (std::size_t i = 0; i < octets; ++i) length = length << 8 | der.Data()[2 + i];
    header += octets;
  }
  return size - header == length;
}

}  // namespace

std::vector<std::uint8_t> RequestFromPath(std::string_view path) {
  const std::string text = UnescapePath(path.substr(0, path.find('?')));
  // Longest first: the Base64 text may itself hold "/".
  for (std::size_t slash = text.find('/'); slash != std::string::npos; slash = text.find('/', slash + 1)) {
    const std::string_view candidate = std::string_view(text).substr(slash + 1);
    if (candidate.empty()) break;
    try {
      const Blob der = Base64Decode(candidate);
      if (IsOneSequence(der)) return {der.begin(), der.end()};
    } catch (const ExceptionBase&) {
      // not this one
    }
  }
  return {};
}

HttpReply AnswerOcspHttp(const OcspResponder& responder, const HttpRequest& request) {
  HttpReply reply;
  if (request.method == "GET") {
    const std::vector<std::uint8_t> der = RequestFromPath(request.path);
    reply.body = der.empty() ? OcspResponder::StatusOnly(1) : responder.Answer(der);
  } else if (request.method == "POST") {
    reply.body = responder.Answer(request.body);
  } else {
    reply.status = 405;
    return reply;
  }
  reply.contentType = kOcspResponseType;
  return reply;
}

}  // namespace tavrpki::servers

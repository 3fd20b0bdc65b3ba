#include "OcspHttp.h"

#include "asn1/Base64.h"
#include "core/ExceptionBase.h"

namespace tavrpki::servers {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

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
  const std::string text = Unescape(path.substr(0, path.find('?')));
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

HttpAnswer AnswerOcspHttp(const OcspResponder& responder, std::string_view method, std::string_view path,
                          std::span<const std::uint8_t> body) {
  HttpAnswer answer;
  if (method == "GET") {
    const std::vector<std::uint8_t> request = RequestFromPath(path);
    answer.body = request.empty() ? OcspResponder::StatusOnly(1) : responder.Answer(request);
  } else if (method == "POST") {
    answer.body = responder.Answer(body);
  } else {
    answer.status = 405;
    return answer;
  }
  answer.contentType = kOcspResponseType;
  return answer;
}

}  // namespace tavrpki::servers

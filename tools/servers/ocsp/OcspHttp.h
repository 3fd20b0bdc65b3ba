// The OCSP responder over HTTP (RFC 6960 appendix A): what a request to the server
// becomes, independent of the server that carries it.
//
// GET: the request is the Base64 text after the responder's path, percent-escapes
// undone (%2F, %2B, %3D and any other), so "/<base64>" and "/ocsp/<base64>" both
// work; a "/" the escapes made (or a client sent bare) stays part of the text.
// POST: the body is the request, whatever content type it was sent with. Both
// answer 200 with "application/ocsp-response", malformed requests included (the
// OCSP status says what went wrong); other methods get 405 and no body.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "OcspResponder.h"
#include "servers/HttpServer.h"

namespace tavrpki::servers {

inline constexpr const char* kOcspResponseType = "application/ocsp-response";

HttpReply AnswerOcspHttp(const OcspResponder& responder, const HttpRequest& request);

// The server's handler: AnswerOcspHttp with `responder`, which must outlive it.
inline HttpHandler OcspHandler(const OcspResponder& responder) {
  return [&responder](const HttpRequest& request) { return AnswerOcspHttp(responder, request); };
}

// The DER request a GET path carries; empty when no part of it is one.
std::vector<std::uint8_t> RequestFromPath(std::string_view path);

}  // namespace tavrpki::servers

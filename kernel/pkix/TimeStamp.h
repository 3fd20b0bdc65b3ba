// Time-stamp tokens of RFC 3161: the request this system's client sends, the
// answer it takes from a response, and the reading and checking of a token (a
// CMS signed message whose encapsulated content is a TSTInfo).
#pragma once

#include <cstdint>

#include "asn1/Blob.h"
#include "asn1/tsp/TimeStamp.h"
#include "kernel/pkix/SignedMessage.h"

namespace tavrpki {
class CertStorage;
}

namespace tavrpki::pkix {

// Version 1 and the GOST 34.311 imprint of `hash` (hash parameters absent); no
// policy, no nonce, no certReq, so the server decides whether to include its
// certificate.
tsp::Bytes TimeStampRequest(const MessageHash& hash);

struct TimeStampAnswer {
  std::int64_t status = tsp::kRejection;
  tsp::Bytes token;  // empty when the server sent none
};

// The status and token of a DER TimeStampResp (50054 when it is none).
TimeStampAnswer ReadTimeStampAnswer(ByteView response);

// Asks the server at `url` (net/HttpTransport.h: POST to the URL and
// "TSPRequestPath") to stamp `hash`. The transport's uncoded failures pass
// through; an answer that is no TimeStampResp is 50054.
TimeStampAnswer RequestTimeStamp(const char* url, const MessageHash& hash);

// The TSTInfo a token signs. Failures: 50051 (no ContentInfo), 50053 (no
// SignedData), 50054 (no TSTInfo inside, or none at all); the signer's
// certificate is not needed.
tsp::TstInfo TokenInfo(ByteView token);

// Whether the token stamps `hash` and its first signer's signature verifies.
// The signer's certificate is the token's own or, when the token carries none,
// the one `storage` (may be null) holds under the signer's issuer and serial;
// with neither: 100049. That certificate must name time stamping among its
// extended key usages (100066), checked before anything else of the token. A
// hash other than the stamped one answers false before the signature is looked
// at. The chain of the certificate is not checked here, nor genTime or policy.
bool VerifyToken(ByteView token, const MessageHash& hash, CertStorage* storage);

}  // namespace tavrpki::pkix

// RFC 3161 time stamps for a 32-byte GOST 34.311-95 hash: a token from a
// time-stamp server over HTTP, the time a token states, and the check of a token
// against a hash. A token is a CMS signed message whose content is a TSTInfo; a
// signer usually attaches it to its signer info (CKernelSignerInfo::SetTimeStamp).
// All members are static.
//
// The server is reached with an HTTP POST of "application/timestamp-query" to
// `url` followed by the configuration value "TSPRequestPath" (default
// "TSPRequest.ashx"; an empty value posts to `url` as given); the answer must be
// "application/timestamp-reply". "HttpConnectTimeout" and "HttpTimeout" (dword
// seconds) bound the exchange.
//
// Every failure is a `Kernel::CKernelException`: 100021 for a missing argument,
// 100049 for a token whose signer certificate is nowhere to be found, 100066 for
// a signer certificate that does not name time stamping among its extended key
// usages, the codes of the structures (50051, 50053, 50054) for bytes that are no
// token or no response, and the transport's own uncoded messages (code
// 0xFFFFFFFF) for a server that cannot be reached, is too slow or answers with
// another content type.
#pragma once

#include "kernel/CKernel.h"
#include "platform/Time.h"

namespace Kernel {

class CKernelTSP {
 public:
  // Asks the server at `url` to stamp the 32 bytes at `hash` and returns the
  // status of its answer (0 granted, 1 granted with modifications, 2 rejection,
  // ...). On status 0 or 1 with a token the token's DER is written to `token`
  // by the caller-buffer rule; otherwise nothing is written and *tokenLength is
  // left as it was. Every call is a new exchange and a new token, so a caller
  // passes a buffer large enough at once (tokens are a few kilobytes) rather
  // than asking for the length first.
  static unsigned long GetTSP(const char* url, unsigned char* const hash, unsigned char* token,
                              unsigned long* tokenLength);
  // The token's genTime (UTC, to the millisecond). The signer's certificate need
  // not be in the token.
  static void GetTSPTokenTime(const unsigned char* token, unsigned long length, _SYSTEMTIME* time);
  // Whether the token stamps the 32 bytes at `hash` and its signature verifies
  // (false, without a look at the signature, when the hash differs). The signer
  // certificate is the token's own or, when the token carries none, the one the
  // kernel's certificate storage (SetCertStorage) holds under the signer's issuer
  // and serial number. That certificate's chain is not validated here.
  static bool VerifyTSPToken(const CKernel& kernel, const unsigned char* token, unsigned long length,
                             const unsigned char* hash);
};

}  // namespace Kernel

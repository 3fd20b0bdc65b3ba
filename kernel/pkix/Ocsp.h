// The OCSP client's logic: the request for a certificate, the responder address
// a certificate names, and the checks of an answer (responder identified by key
// hash, found by the caller, entitled to sign OCSP responses, its signature, the
// single response for the certificate asked about). The exported CKernelOCSP
// calls these with the transport and the certificate storage lookup.
#pragma once

#include <cstdint>
#include <functional>

#include "asn1/Blob.h"
#include "asn1/DateTime.h"
#include "asn1/String.h"
#include "asn1/ocsp/ASN1OCSPRequest.h"
#include "asn1/x509/ASN1Certificate.h"

namespace tavrpki::pkix {

// The certificate identifier the client sends and looks for: hash algorithm
// GOST 34.311-95 without parameters, issuerKeyHash := the certificate's authority
// key identifier as it stands, the serial number, and (when `withNameHash`) the
// hash of the issuer Name's DER under the S-box of the certificate's own signing
// key parameters. 100010 when the certificate has no authority key identifier.
ASN1OCSPCertID OcspCertIdOf(const ASN1Certificate& cert, bool withNameHash);

// The request for one certificate: version 1, one identifier, no requestor, no
// extensions (no nonce), no signature. Fails as OcspCertIdOf.
ASN1OCSPRequest OcspRequestFor(const ASN1Certificate& cert);

// Sends the request for `cert` to the responder at `url` (HTTP GET, the request
// in Base64 after the URL) and returns the DER answer. Fails as OcspCertIdOf
// before anything is sent; transport failures carry the transport's messages.
Blob FetchOcspResponse(const char* url, const ASN1Certificate& cert);

// The responder address of the authority information access extension (the
// access method its handler reads as the OCSP responder): 100033 without the
// extension, 100034 when it names no address.
String OcspUrlOf(const ASN1Certificate& cert);

struct OcspStatus {
  std::uint8_t certStatus = 0;         // kOcspGood, kOcspRevoked, kOcspUnknown
  std::uint32_t revocationReason = 0;  // only when certStatus is not good
  DateTime revocationTime;             // only when certStatus is not good
};

// Finds the certificate whose subject key identifier is `keyId` in the caller's
// storage; false when there is none.
using FindByKeyId = std::function<bool(ByteView keyId, ASN1Certificate& out)>;

// Checks the DER `response` about `cert` and gives its status; `responder`
// receives the responder's certificate. In order: decoding (the structures'
// codes), a status other than 0 (100034 with the status and its text), a
// responder named rather than identified by key hash (100036), not found
// (100037), without extended key usage (100042) or without OCSP signing in it
// (100043), a signature that does not verify (100038), no single response for
// `cert` (100035). The times of the response are not checked here.
OcspStatus CheckOcspResponse(ByteView response, const ASN1Certificate& cert, const FindByKeyId& find,
                             ASN1Certificate& responder);

// The text of a response status, as 100034 gives it.
const char* OcspStatusText(std::uint8_t responseStatus);

}  // namespace tavrpki::pkix

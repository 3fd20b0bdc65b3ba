// Signer infos of signed messages: building one from the signer's certificate,
// the two forms of the bytes a signature covers, and the signature check.
//
// The bytes signed are the signed attributes' DER. This system's own form keeps
// their [0] identifier (A0); RFC 5652 and every real signer re-tag them as SET OF
// (31). Verification tries the own form first, then the SET OF form, over the
// bytes as read; signing chooses one (StandardForm below).
#pragma once

#include <array>
#include <cstdint>

#include "asn1/Blob.h"
#include "asn1/cms/ASN1SignerInfo.h"
#include "asn1/x509/ASN1Certificate.h"
#include "crypto/objects/CAsymmetric4145Params.h"
#include "crypto/objects/CKeyPair.h"

namespace tavrpki::pkix {

using MessageHash = std::array<std::uint8_t, 32>;
using SBox = std::array<std::uint8_t, 128>;

// The S-box of a parameter set as 128 entries: its dke, or the core's default
// table when it carries none (40014 for a dke of another size).
SBox ExpandedSBox(const CAsymmetric4145Params& params);

// A signer info for `cert` (Part A of the signing steps): issuer and serial as
// the signer's name, GOST 34.311 with `sbox` as parameters for the digest,
// the certificate's key algorithm for the signature, then the signed attributes
// signing-certificate-v2 (the certificate's hash under `sbox`, bare-Name issuer)
// and content type "data".
ASN1SignerInfo SignerInfoFor(const ASN1Certificate& cert, const SBox& sbox);

// Rewrites a signer info into the shape RFC 5652 verifiers expect before it is
// signed: the digest algorithm without parameters, and the first
// signing-certificate-v2 value with its hash algorithm bare and its issuer as
// GeneralNames. Nothing else changes.
void ToStandardForm(ASN1SignerInfo& signer);

// Which form of the signed attributes a signature covers.
enum class AttrsForm { kNone, kOwn, kSetOf };

struct Verification {
  bool digestMatches = false;
  AttrsForm form = AttrsForm::kNone;  // the form whose signature verified
  bool Valid() const { return digestMatches && form != AttrsForm::kNone; }
};

// Compares `hash` with the message-digest attribute (50056 without one; the
// codec's message for a value that is no OCTET STRING) and, when they are equal,
// checks the signature over the signed attributes in both forms under the public
// key of `signer` (usage 0). A caller that wants to know whether the attribute
// signature alone holds passes the digest attribute itself as `hash`.
Verification VerifySignerInfo(const ASN1SignerInfo& info, const MessageHash& hash, const CKeyPair& signer);

// The content of the message-digest attribute.
Blob MessageDigestOf(const ASN1SignerInfo& info);

}  // namespace tavrpki::pkix

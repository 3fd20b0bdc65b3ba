// Signing and verifying revocation lists: the checks on the signer certificate
// and the extensions a signed list carries, over the signed-body functions of
// SignedBody.h.
#pragma once

#include "asn1/crl/ASN1CRL.h"
#include "asn1/x509/ASN1Certificate.h"
#include "core/Exception.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/objects/CKeyPair.h"

namespace tavrpki::pkix {

// The certificate must carry key usage (2.5.29.15; else 100017 with its subject
// name) with cRLSign (0x02 of the first octet; else `lacking`: 100026 for a
// signer, 100022 for a verifier).
void RequireCrlSignUsage(const ASN1Certificate& cert, const Message& lacking);

// Makes `list` ready to be signed by `signerCert` with the signing pair `signer`:
// both algorithm fields := the algorithm of the signer's parameters; issuer :=
// the certificate's subject; the certificate's key usage checked (see above) and
// its subject key identifier (2.5.29.14, else 100009) written, with its serial,
// as the list's authority key identifier (replacing an earlier one); the body
// encoded, which refreshes its signed bytes. `list` is changed also when a check
// fails: callers work on a copy.
void PrepareForSigning(ASN1CRL& list, const ASN1Certificate& signerCert, const CKeyPair& signer);

// Signs the prepared list's body and stores the signature.
void SignPrepared(ASN1CRL& list, const CKeyPair& signer, const dstu::RandomSource& random);

// True when the list's signature, under its outer algorithm, verifies over the
// body's signed bytes with the public key of `signer`.
bool VerifyRevocationList(const ASN1CRL& list, const CKeyPair& signer);

}  // namespace tavrpki::pkix

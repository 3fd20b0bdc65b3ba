// What the certificate members share with the other users of certificates
// (chains, the certificate forms of the kernel's DSTU operations, revocation
// checks): the signing key a certificate carries, its signature check, and the
// replacement rule of extensions.
#pragma once

#include <vector>

#include "asn1/x509/ASN1Certificate.h"
#include "core/Exception.h"
#include "crypto/objects/CKeyPair.h"
#include "ext/PKIEntityBase.h"
#include "kernel/pkix/CertificateList.h"

namespace tavrpki::pkix {

// The signing key pair (usage 0, public key only) of the certificate's
// subjectPublicKeyInfo.
CKeyPair CertificateSignKey(const ASN1Certificate& cert);

// True when the certificate's signature, under its outer signature algorithm,
// verifies over the body's signed bytes with the public key of `signer`.
bool VerifyCertificate(const ASN1Certificate& cert, const CKeyPair& signer);

// Reads the first extension with the handler's OID into it; `absent` when there
// is none (a malformed one fails with the value's own code).
void ReadExtension(const ASN1Certificate& cert, PKIEntityBase& handler, const Message& absent);

// Self-signed: same issuer and subject Name, the subject key identifier equal to
// the authority key identifier, and the authority serial number absent or equal
// to the certificate's own. Without either identifier: 100009 or 100010.
bool IsSelfSigned(const ASN1Certificate& cert);

// True when every certificate of `chain`, from the last down to the first,
// verifies under the key of the one above it (the last under its own key), and
// the first has the Names of `cert`. An empty chain: 100012; a first entry with
// other Names: 100052.
bool VerifyAgainstChain(const ASN1Certificate& cert, const std::vector<CertificateEntry>& chain);

// Removes the first extension with the OID of `extension`, when there is one,
// and appends `extension` at the end.
void ReplaceExtension(ExtensionsCollection& extensions, const ASN1CertExtension& extension);

}  // namespace tavrpki::pkix

// What the certificate members share with the other users of certificates
// (chains, the certificate forms of the kernel's DSTU operations, revocation
// checks): the signing key a certificate carries, its signature check, and the
// replacement rule of extensions.
#pragma once

#include "asn1/x509/ASN1Certificate.h"
#include "crypto/objects/CKeyPair.h"

namespace tavrpki::pkix {

// The signing key pair (usage 0, public key only) of the certificate's
// subjectPublicKeyInfo.
CKeyPair CertificateSignKey(const ASN1Certificate& cert);

// True when the certificate's signature, under its outer signature algorithm,
// verifies over the body's signed bytes with the public key of `signer`.
bool VerifyCertificate(const ASN1Certificate& cert, const CKeyPair& signer);

// Removes the first extension with the OID of `extension`, when there is one,
// and appends `extension` at the end.
void ReplaceExtension(ExtensionsCollection& extensions, const ASN1CertExtension& extension);

}  // namespace tavrpki::pkix

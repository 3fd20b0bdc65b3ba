// Revocation-list signatures that verified, remembered for the process: chain
// validation checks the same lists again and again (a CA's list for every
// certificate it issued, on every validation), and a DSTU 4145 verification
// costs far more than the lookup.
//
// A list counts as verified again only when everything the verification read
// is the same: the signed body's bytes, the signature octets, the signature
// algorithm and the signer's subjectPublicKeyInfo (curve, parameters, key).
// Failed verifications are not remembered. At most 256 lists and 64 MiB of
// bodies are kept; past that the memory starts afresh. Safe from several
// threads.
#pragma once

#include "asn1/crl/ASN1CRL.h"
#include "asn1/x509/ASN1Certificate.h"

namespace tavrpki::pkix {

// VerifyRevocationList(list, CertificateSignKey(signer)), remembered.
bool VerifyRevocationListRemembered(const ASN1CRL& list, const ASN1Certificate& signer);

}  // namespace tavrpki::pkix

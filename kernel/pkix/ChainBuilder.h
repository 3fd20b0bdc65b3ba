// A certificate's chain up to a self-signed root, following authority key
// identifiers through the caller's certificate storage.
#pragma once

#include "asn1/x509/ASN1Certificate.h"
#include "kernel/pkix/CertificateList.h"
#include "kernel/pkix/ChainServices.h"

namespace tavrpki::pkix {

// `cert` first, then its issuer, the issuer's issuer and so on up to the first
// self-signed certificate, each with the storage's trust flag. Every certificate
// must carry a subject key identifier (else 100009) and an authority key
// identifier (else 100010), the root too; an issuer the storage lacks: 100011
// with the issuer Name of the last certificate found. A storage whose issuers
// run in a circle fails with 100011 too, once the chain would hold a certificate
// twice.
CertificateList BuildChain(ChainServices& services, const ASN1Certificate& cert);

}  // namespace tavrpki::pkix

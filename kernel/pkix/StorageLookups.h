// The library's questions to the caller's certificate storage
// (<tavrpki/CertStorage.h>), below the CKernel members that ask them
// (FindCertificateBySubject, FindCertificateByKeyId, IsTrustedCert, FindCRL,
// CKernelCRL::GetSignerCertificate) and for chain building and validation,
// which ask them without making exported objects.
//
// A certificate found is loaded as CKernelCertificate::InitFromBuffer loads one
// (an unsupported signature algorithm: 100001) and a list as CKernelCRL's does
// (100019); on any failure the output is left as it was. Queries go back to the
// storage on every path; the storage's own failures pass unchanged.
#pragma once

#include <tavrpki/CertStorage.h>

#include "asn1/ASN1Integer.h"
#include "asn1/Blob.h"
#include "asn1/crl/ASN1CRL.h"
#include "asn1/x509/ASN1Certificate.h"

namespace tavrpki::pkix {

// The last certificate the storage reports for the subject Name DER; false
// when none. An empty name: 100021.
bool FindCertificateBySubject(CertStorage& storage, ByteView subjectDer, ASN1Certificate& out);

// The last certificate the storage reports for the subject key identifier and,
// unless `serial` is empty, the serial number's content octets; false when none.
// An empty identifier: 100021.
bool FindCertificateByKeyId(CertStorage& storage, ByteView keyId, ByteView serial, ASN1Certificate& out);

// The storage's trust flag for the certificate with `cert`'s subject key
// identifier (100009 without one) and serial number; 100053 when it has none.
bool IsTrustedCertificate(CertStorage& storage, const ASN1Certificate& cert);

// The newest base list of `issuer` and, when there is one, its newest delta
// list (kernel/pkix/StoredCrls.h); false when there is no base list, `base`,
// `delta` and `deltaFound` then untouched.
bool FindNewestCrls(CertStorage& storage, const ASN1Name& issuer, ASN1CRL& base, ASN1CRL& delta, bool& deltaFound);

// The certificate that signed `list`: by the list's authority key identifier
// (key identifier and serial) when it has one, else by its issuer Name; 100056
// when the storage has none.
ASN1Certificate FindCrlSigner(CertStorage& storage, const ASN1CRL& list);

}  // namespace tavrpki::pkix

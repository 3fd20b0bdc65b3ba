// The internal object behind each exported handle class, in one place. The
// exported classes hand their objects out as `void*` (GetHandle, GetProvider) so
// that their public headers name no internal type; everything inside the library,
// and the white-box tests and benchmarks, turn them back through these functions
// and nowhere else. Internal header: never installed.
#pragma once

#include "asn1/crl/ASN1CRL.h"
#include "asn1/pkcs10/ASN1CertRequest.h"
#include "asn1/x509/ASN1Certificate.h"
#include "crypto/objects/CAsymmetric4145Params.h"
#include "crypto/objects/CKeyPair.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAsymmetricParams.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertRequest.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelCertificateChain.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CProvider.h"
#include "kernel/pkix/CertificateList.h"

namespace Kernel {

// The provider of a kernel: its lock, generator and key storage link.
inline tavrpki::CProvider& ProviderOf(const CKernel& kernel) {
  return *static_cast<tavrpki::CProvider*>(kernel.GetProvider());
}

// The parameter set held by an exported parameter object (never null: the object
// owns one from construction). Mutable through a const reference, as the handle
// itself is: the exported class decides what it lets change.
inline tavrpki::CAsymmetric4145Params& ParamsOf(const CKernelAsymmetricParams& params) {
  return *static_cast<tavrpki::CAsymmetric4145Params*>(params.GetHandle());
}

// The two key pairs held by an exported key-pair object.
inline tavrpki::CDoubleKeyPair& KeysOf(const CKernelDoubleKeyPair& keys) {
  return *static_cast<tavrpki::CDoubleKeyPair*>(keys.GetHandle());
}

// The certificate held by an exported certificate (never null).
inline tavrpki::ASN1Certificate& CertificateOf(const CKernelCertificate& cert) {
  return *static_cast<tavrpki::ASN1Certificate*>(cert.GetHandle());
}

// The revocation list held by an exported list (never null).
inline tavrpki::ASN1CRL& CrlOf(const CKernelCRL& crl) { return *static_cast<tavrpki::ASN1CRL*>(crl.GetHandle()); }

// The request held by an exported request (never null).
inline tavrpki::ASN1CertRequest& RequestOf(const CKernelCertRequest& request) {
  return *static_cast<tavrpki::ASN1CertRequest*>(request.GetHandle());
}

// The entries held by an exported chain (never null).
inline tavrpki::CertificateList& ChainOf(const CKernelCertificateChain& chain) {
  return *static_cast<tavrpki::CertificateList*>(chain.GetHandle());
}

}  // namespace Kernel

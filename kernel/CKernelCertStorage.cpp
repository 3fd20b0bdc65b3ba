// The kernel's lookups in the caller's certificate storage (<tavrpki/CertStorage.h>):
// a certificate by subject or by key identifier, a certificate's trust flag (the
// newest revocation lists of an issuer: CKernelFindCrl.cpp), asked by
// kernel/pkix/StorageLookups.h. Each fails with 100020 before anything else when
// no storage is set; the storage is called without any lock held and its own
// failures pass unchanged.
#include <utility>

#include <tavrpki/CertStorage.h>

#include "core/Catalogue.h"
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/StorageLookups.h"

namespace Kernel {
namespace {

tavrpki::CertStorage& StorageOf(const CKernel& kernel) {
  if (kernel.GetCertStorage() == nullptr) tavrpki::Raise(tavrpki::kMsgCertStorageNotSet);
  return *static_cast<tavrpki::CertStorage*>(kernel.GetCertStorage());
}

tavrpki::ByteView Bytes(const unsigned char* data, unsigned long length) {
  return data == nullptr ? tavrpki::ByteView() : tavrpki::ByteView(data, length);
}

bool Loaded(bool found, tavrpki::ASN1Certificate& certificate, CKernelCertificate& out) {
  if (found) std::swap(CertificateOf(out), certificate);
  return found;
}

}  // namespace

bool CKernel::FindCertificateBySubject(const unsigned char* subjectDer, unsigned long length,
                                       CKernelCertificate& out) const {
  return Boundary([&] {
    tavrpki::CertStorage& storage = StorageOf(*this);
    RequireArgument(subjectDer != nullptr && length != 0);
    tavrpki::ASN1Certificate found;
    return Loaded(tavrpki::pkix::FindCertificateBySubject(storage, Bytes(subjectDer, length), found), found, out);
  });
}

bool CKernel::FindCertificateByKeyId(const unsigned char* keyId, unsigned long keyIdLength,
                                     const unsigned char* serial, unsigned long serialLength,
                                     CKernelCertificate& out) const {
  return Boundary([&] {
    tavrpki::CertStorage& storage = StorageOf(*this);
    RequireArgument(keyId != nullptr && keyIdLength != 0);
    tavrpki::ASN1Certificate found;
    const bool match = tavrpki::pkix::FindCertificateByKeyId(storage, Bytes(keyId, keyIdLength),
                                                             Bytes(serial, serialLength), found);
    return Loaded(match, found, out);
  });
}

bool CKernel::IsTrustedCert(const CKernelCertificate& cert) const {
  return Boundary([&] { return tavrpki::pkix::IsTrustedCertificate(StorageOf(*this), CertificateOf(cert)); });
}

}  // namespace Kernel

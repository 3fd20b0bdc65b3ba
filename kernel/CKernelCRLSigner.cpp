// CKernelCRL::GetSignerCertificate: the one member of the list that asks the
// caller's certificate storage (kernel/pkix/StorageLookups.h).
#include <utility>

#include <tavrpki/CertStorage.h>

#include "core/Catalogue.h"
#include "kernel/Boundary.h"
#include "kernel/CKernelCRL.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/StorageLookups.h"

namespace Kernel {

CKernelCertificate CKernelCRL::GetSignerCertificate() const {
  return Boundary([&] {
    if (m_kernel.GetCertStorage() == nullptr) tavrpki::Raise(tavrpki::kMsgCertStorageNotSet);
    auto& storage = *static_cast<tavrpki::CertStorage*>(m_kernel.GetCertStorage());
    tavrpki::ASN1Certificate found = tavrpki::pkix::FindCrlSigner(storage, *m_crl);
    CKernelCertificate signer(m_kernel);
    std::swap(CertificateOf(signer), found);
    return signer;
  });
}

}  // namespace Kernel

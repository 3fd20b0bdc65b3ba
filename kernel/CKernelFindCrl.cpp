// CKernel::FindCRL: the newest base and delta revocation list of a certificate's
// issuer in the caller's certificate storage, chosen by kernel/pkix/StoredCrls.h
// (through StorageLookups.h).
// Fails with 100020 before anything else (the flags untouched) when no storage
// is set; the chosen lists load with the checks of CKernelCRL::InitFromBuffer.
#include <tavrpki/CertStorage.h>

#include "core/Catalogue.h"
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/StorageLookups.h"

namespace Kernel {

void CKernel::FindCRL(const CKernelCertificate& cert, CKernelCRL& baseCrl, bool& baseFound,
                      CKernelCRL& deltaCrl, bool& deltaFound) const {
  Boundary([&] {
    if (GetCertStorage() == nullptr) tavrpki::Raise(tavrpki::kMsgCertStorageNotSet);
    tavrpki::CertStorage& storage = *static_cast<tavrpki::CertStorage*>(GetCertStorage());
    baseFound = false;
    deltaFound = false;
    bool delta = false;
    if (!tavrpki::pkix::FindNewestCrls(storage, CertificateOf(cert).TBSCertificate().Issuer(), CrlOf(baseCrl),
                                       CrlOf(deltaCrl), delta))
      return;
    baseFound = true;
    deltaFound = delta;
  });
}

}  // namespace Kernel

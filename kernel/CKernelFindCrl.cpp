// CKernel::FindCRL: the newest base and delta revocation list of a certificate's
// issuer in the caller's certificate storage, chosen by kernel/pkix/StoredCrls.h.
// Fails with 100020 before anything else (the flags untouched) when no storage
// is set; the chosen lists load with CKernelCRL::InitFromBuffer and its checks.
#include <tavrpki/CertStorage.h>

#include "core/Catalogue.h"
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/StoredCrls.h"

namespace Kernel {

void CKernel::FindCRL(const CKernelCertificate& cert, CKernelCRL& baseCrl, bool& baseFound,
                      CKernelCRL& deltaCrl, bool& deltaFound) const {
  Boundary([&] {
    if (GetCertStorage() == nullptr) tavrpki::Raise(tavrpki::kMsgCertStorageNotSet);
    tavrpki::CertStorage& storage = *static_cast<tavrpki::CertStorage*>(GetCertStorage());
    baseFound = false;
    deltaFound = false;
    auto lists = tavrpki::GatherCrls(storage, CertificateOf(cert).TBSCertificate().Issuer());
    const tavrpki::CrlChoice choice = tavrpki::ChooseCrls(lists);
    if (!choice.base) return;
    baseFound = true;
    const tavrpki::Blob& base = lists[*choice.base].der;
    baseCrl.InitFromBuffer(base.Data(), base.Size());
    if (!choice.delta) return;
    deltaFound = true;
    const tavrpki::Blob& delta = lists[*choice.delta].der;
    deltaCrl.InitFromBuffer(delta.Data(), delta.Size());
  });
}

}  // namespace Kernel

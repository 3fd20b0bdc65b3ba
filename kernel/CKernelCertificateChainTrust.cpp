// CKernelCertificateChain's building and validation: the chain logic of
// kernel/pkix/ChainBuilder.h and ChainValidator.h, answered by the caller's
// certificate storage and the OCSP client.
#include <cstring>
#include <memory>
#include <utility>

#include "kernel/Boundary.h"
#include "kernel/CKernelCertificateChain.h"
#include "kernel/ChainOcsp.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/ChainBuilder.h"
#include "kernel/pkix/ChainValidator.h"
#include "kernel/pkix/StorageLookups.h"

namespace Kernel {
namespace {

using tavrpki::ASN1Certificate;
using tavrpki::ASN1CRL;

// The storage is asked directly (kernel/pkix/StorageLookups.h, what the
// CKernel members ask through), without making exported objects: each of those
// copies the kernel, which costs more than the lookup. The same codes and
// messages come out.
class KernelServices final : public tavrpki::pkix::ChainServices {
 public:
  explicit KernelServices(const CKernel& kernel) : m_kernel(kernel) {}

  bool FindByKeyId(const tavrpki::Blob& keyId, const tavrpki::ASN1Integer& serial, ASN1Certificate& out) override {
    return tavrpki::pkix::FindCertificateByKeyId(Storage(), keyId.View(), serial.View(), out);
  }

  bool IsTrusted(const ASN1Certificate& cert) override {
    return tavrpki::pkix::IsTrustedCertificate(Storage(), cert);
  }

  bool FindCrls(const ASN1Certificate& cert, ASN1CRL& base, ASN1CRL& delta, bool& deltaFound) override {
    return tavrpki::pkix::FindNewestCrls(Storage(), cert.TBSCertificate().Issuer(), base, delta, deltaFound);
  }

  ASN1Certificate CrlSigner(const ASN1CRL& list) override { return tavrpki::pkix::FindCrlSigner(Storage(), list); }

  tavrpki::pkix::OcspAnswer OcspStatus(const ASN1Certificate& cert, const char* url) override {
    return OcspStatusForChain(m_kernel, CKernelCertificate(m_kernel, const_cast<ASN1Certificate*>(&cert)), url);
  }

 private:
  tavrpki::CertStorage& Storage() const {
    if (m_kernel.GetCertStorage() == nullptr) tavrpki::Raise(tavrpki::kMsgCertStorageNotSet);
    return *static_cast<tavrpki::CertStorage*>(m_kernel.GetCertStorage());
  }

  const CKernel& m_kernel;
};

}  // namespace

CKernelCertificateChain CKernelCertificateChain::Build(const CKernel& kernel, const CKernelCertificate& cert) {
  return Boundary([&] {
    KernelServices services(kernel);
    tavrpki::CertificateList list = tavrpki::pkix::BuildChain(services, CertificateOf(cert));
    CKernelCertificateChain chain(kernel);
    std::swap(ChainOf(chain), list);
    return chain;
  });
}

void CKernelCertificateChain::Validate(bool throwOnError, char** errorText, bool checkCRL, bool useOCSP,
                                       bool ocspStrict, const char* ocspUrl) const {
  Boundary([&] {
    RequireArgument(throwOnError || errorText != nullptr);
    tavrpki::pkix::ValidationOptions options;
    options.throwOnError = throwOnError;
    options.checkCrl = checkCRL;
    options.useOcsp = useOCSP;
    options.ocspStrict = ocspStrict;
    options.ocspUrl = ocspUrl;
    if (m_list->validationTime)
      options.at = *m_list->validationTime;
    else
      options.at.SetNow();
    KernelServices services(m_kernel);
    const std::string text = tavrpki::pkix::ValidateChain(services, *m_list, options);
    if (throwOnError || text.empty()) return;
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    *errorText = copy.release();
  });
}

void CKernelCertificateChain::Validate(bool checkCRL, bool useOCSP, bool ocspStrict, const char* ocspUrl) const {
  Validate(true, nullptr, checkCRL, useOCSP, ocspStrict, ocspUrl);
}

void CKernelCertificateChain::ReleaseErrorMemory(char* errorText) const {
  Boundary([&] {
    RequireArgument(errorText != nullptr);
    delete[] errorText;
  });
}

void CKernelCertificateChain::SetValidationTime(const _SYSTEMTIME* at) {
  Boundary([&] {
    if (at == nullptr) {
      m_list->validationTime.reset();
      return;
    }
    RequireArgument(tavrpki::DateTime::IsValid(at->wYear, at->wMonth, at->wDay, at->wHour, at->wMinute, at->wSecond));
    m_list->validationTime = tavrpki::DateTime(*at);
  });
}

}  // namespace Kernel

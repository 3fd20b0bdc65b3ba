// CKernelCertificateChain's building and validation: the chain logic of
// kernel/pkix/ChainBuilder.h and ChainValidator.h, answered by the kernel's
// exported storage operations and the OCSP client, so that their codes and
// messages reach the caller as they are.
#include <cstring>
#include <memory>
#include <utility>

#include "kernel/Boundary.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificateChain.h"
#include "kernel/ChainOcsp.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/ChainBuilder.h"
#include "kernel/pkix/ChainValidator.h"

namespace Kernel {
namespace {

using tavrpki::ASN1Certificate;
using tavrpki::ASN1CRL;

class KernelServices final : public tavrpki::pkix::ChainServices {
 public:
  explicit KernelServices(const CKernel& kernel) : m_kernel(kernel) {}

  bool FindByKeyId(const tavrpki::Blob& keyId, const tavrpki::ASN1Integer& serial, ASN1Certificate& out) override {
    CKernelCertificate found(m_kernel);
    if (!m_kernel.FindCertificateByKeyId(keyId.Data(), keyId.Size(), serial.IsEmpty() ? nullptr : serial.Data(),
                                         serial.Size(), found))
      return false;
    std::swap(out, CertificateOf(found));
    return true;
  }

  bool IsTrusted(const ASN1Certificate& cert) override {
    return m_kernel.IsTrustedCert(CKernelCertificate(m_kernel, const_cast<ASN1Certificate*>(&cert)));
  }

  bool FindCrls(const ASN1Certificate& cert, ASN1CRL& base, ASN1CRL& delta, bool& deltaFound) override {
    CKernelCRL baseList(m_kernel), deltaList(m_kernel);
    bool baseFound = false;
    deltaFound = false;
    m_kernel.FindCRL(CKernelCertificate(m_kernel, const_cast<ASN1Certificate*>(&cert)), baseList, baseFound,
                     deltaList, deltaFound);
    if (!baseFound) return false;
    std::swap(base, CrlOf(baseList));
    if (deltaFound) std::swap(delta, CrlOf(deltaList));
    return true;
  }

  ASN1Certificate CrlSigner(const ASN1CRL& list) override {
    const CKernelCertificate signer = CKernelCRL(m_kernel, const_cast<ASN1CRL*>(&list)).GetSignerCertificate();
    return CertificateOf(signer);
  }

  tavrpki::pkix::OcspAnswer OcspStatus(const ASN1Certificate& cert, const char* url) override {
    return OcspStatusForChain(m_kernel, CKernelCertificate(m_kernel, const_cast<ASN1Certificate*>(&cert)), url);
  }

 private:
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

#include "kernel/CKernelCertificateChain.h"

#include <memory>
#include <utility>

#include "kernel/Boundary.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/CertificateList.h"

namespace Kernel {
namespace {

const tavrpki::CertificateEntry& EntryAt(const tavrpki::CertificateList& list, unsigned long index) {
  if (index >= list.entries.size()) tavrpki::Raise(tavrpki::kMsgChainIndexOutOfRange);
  return list.entries[index];
}

}  // namespace

CKernelCertificateChain::CKernelCertificateChain(const CKernel& kernel)
    : CKernelHandleWrapper(kernel), m_list(new tavrpki::CertificateList) {}

CKernelCertificateChain::CKernelCertificateChain(const CKernelCertificateChain& other)
    : CKernelHandleWrapper(other), m_list(new tavrpki::CertificateList(*other.m_list)) {}

CKernelCertificateChain::~CKernelCertificateChain() { delete m_list; }

CKernelCertificateChain& CKernelCertificateChain::operator=(const CKernelCertificateChain& other) {
  if (this != &other) {
    auto copy = std::make_unique<tavrpki::CertificateList>(*other.m_list);
    delete m_list;
    m_list = copy.release();
  }
  return *this;
}

void* CKernelCertificateChain::GetHandle() const { return m_list; }

void CKernelCertificateChain::SetHandle(void* const handle) {
  Boundary([&] {
    RequireArgument(handle != nullptr);
    tavrpki::CertificateList copy(*static_cast<const tavrpki::CertificateList*>(handle));
    std::swap(*m_list, copy);
  });
}

void CKernelCertificateChain::Add(const CKernelCertificate& cert, bool trusted) {
  Boundary([&] { m_list->entries.push_back({CertificateOf(cert), trusted}); });
}

unsigned long CKernelCertificateChain::GetCount() const { return m_list->entries.size(); }

CKernelCertificate CKernelCertificateChain::GetAt(unsigned long index) const {
  return Boundary([&] {
    return CKernelCertificate(m_kernel, const_cast<tavrpki::ASN1Certificate*>(&EntryAt(*m_list, index).certificate));
  });
}

bool CKernelCertificateChain::IsTrustedCert(unsigned long index) const {
  return Boundary([&] { return EntryAt(*m_list, index).trusted; });
}

bool CKernelCertificateChain::IsContainCert(const CKernelCertificate& cert) const {
  return Boundary([&] {
    const tavrpki::ASN1Certificate& wanted = CertificateOf(cert);
    for (const tavrpki::CertificateEntry& entry : m_list->entries)
      if (entry.certificate.Equals(wanted)) return true;
    return false;
  });
}

void CKernelCertificateChain::Clear() { m_list->entries.clear(); }

}  // namespace Kernel

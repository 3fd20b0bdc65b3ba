// An ordered list of certificates from the one it was made for (index 0, usually
// an end entity) up to a root (index count - 1), each with a trusted flag.
//
// The chain owns copies of its certificates; `GetAt` hands out a copy again.
// Building a chain from a certificate storage and validating it come with the
// trust services; this class holds and hands out what it is given.
// Every failure is a `Kernel::CKernelException`.
#pragma once

#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelHandleWrapper.h"

namespace tavrpki {
class CertificateList;
}

namespace Kernel {

class CKernelCertificateChain : public CKernelHandleWrapper {
 public:
  // An empty chain.
  explicit CKernelCertificateChain(const CKernel& kernel);
  CKernelCertificateChain(const CKernelCertificateChain& other);
  virtual ~CKernelCertificateChain();
  // Copies the entries; the kernel stays.
  CKernelCertificateChain& operator=(const CKernelCertificateChain& other);

  // The owned list of entries, lent out.
  void* GetHandle() const override;
  // Copies the list at `handle`; null throws 100021.
  void SetHandle(void* const handle) override;

  // Appends a copy of `cert` above the current last entry.
  void Add(const CKernelCertificate& cert, bool trusted);
  unsigned long GetCount() const;
  // A copy of the certificate at `index` (100041 when index >= count).
  CKernelCertificate GetAt(unsigned long index) const;
  // The entry's trusted flag (100041 when index >= count).
  bool IsTrustedCert(unsigned long index) const;
  // True when an entry has the same issuer name and serial number.
  bool IsContainCert(const CKernelCertificate& cert) const;
  void Clear();

 private:
  tavrpki::CertificateList* m_list;  // owned, never null
};

}  // namespace Kernel

// An ordered list of certificates from the one it was made for (index 0, usually
// an end entity) up to a root (index count - 1), each with a trusted flag.
//
// The chain owns copies of its certificates; `GetAt` hands out a copy again.
// `Build` makes a chain from the kernel's certificate storage; `Validate` checks
// it: trust of the root, dates, CA constraints, and revocation through the
// storage's revocation lists and/or OCSP. Every failure is a
// `Kernel::CKernelException`.
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
  // Empties the list (a validation time set stays).
  void Clear();

  // The chain of `cert` up to a self-signed root, following authority key
  // identifiers through the kernel's certificate storage (100020 without one),
  // each entry with the storage's trust flag (100053 for a certificate the
  // storage lacks, `cert` included). Every certificate must carry subject and
  // authority key identifiers (100009, 100010); a missing issuer: 100011.
  static CKernelCertificateChain Build(const CKernel& kernel, const CKernelCertificate& cert);

  // Validates the chain, from the root down: the root trusted (else 100054,
  // before any date), each certificate's dates (100013), the CA constraints of
  // every CA (100014 to 100018), then, as asked, the certificate's status from
  // OCSP (with `ocspStrict` false an OCSP failure or a revoked or unknown answer
  // is ignored, and a certificate that got an answer skips the lists; a
  // certificate naming no responder asks `ocspUrl` when it is not null) and from
  // its issuer's newest base and delta list in the storage (100023 to 100025).
  // Responders' and list signers' chains are built and validated in turn.
  // With `throwOnError` false, date failures do not end validation: their
  // messages, CR LF between them, come back in a new text at *errorText
  // (untouched when there are none), freed with ReleaseErrorMemory; every other
  // failure throws either way. throwOnError false with errorText null: 100021.
  void Validate(bool throwOnError, char** errorText, bool checkCRL, bool useOCSP, bool ocspStrict,
                const char* ocspUrl) const;
  // The same, throwing on every failure.
  void Validate(bool checkCRL, bool useOCSP, bool ocspStrict, const char* ocspUrl) const;
  // Frees a text Validate returned; null: 100021.
  void ReleaseErrorMemory(char* errorText) const;

  // The UTC time Validate checks dates at, kept with the entries (copied with
  // them); null goes back to the time of each call. Certificates are checked
  // after they have expired, as documents signed while they were valid are, by
  // giving the time of signing here.
  void SetValidationTime(const _SYSTEMTIME* at);

 private:
  tavrpki::CertificateList* m_list;  // owned, never null
};

}  // namespace Kernel

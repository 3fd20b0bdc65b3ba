// The interface of a certificate storage: the object through which the library
// looks up certificates, their trust and revocation lists.
//
// The library keeps no certificates of its own. A program hands its storage to
// `Kernel::CKernel::SetCertStorage` as a `tavrpki::CertStorage*` (passed as
// `void*`); the library never creates, copies or destroys it, and calls it
// without holding any lock (a storage used by several threads guards itself).
// The library ships one implementation, the SQLite store
// (<tavrpki/SqliteCertStore.h>); any other written against this header works the
// same way.
//
// The methods are declared in the order of the storage's table of virtual
// operations, which is the binary interface: the library calls slots 0, 1, 6, 8,
// 11 and 14 of the storage and slot 2 of a query, by position. Neither class has a
// virtual destructor, so no hidden entries move the slots; whoever made an object
// destroys it through its own type (queries through `ReleaseQuery`).
//
// Conventions for every method:
// - Ids are non-negative and name one stored item for as long as it is stored;
//   certificates and revocation lists may share one id space or not, as the
//   storage likes.
// - "Length in/out" arguments hold the capacity of the buffer on entry and the
//   length of the answer on return; a null buffer asks for the length only. The
//   library asks for the length first, then passes a buffer of exactly that size.
// - Failures are thrown and reach the library's caller unchanged. A storage that
//   reports coded failures as the library does throws `Kernel::CKernelException`
//   ("kernel/CKernelException.h", complete in its installed header).
// - A callback's return value: nonzero goes on, zero stops the walk. The library's
//   callbacks always return 1.
// This header includes nothing of the library.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define TAVRPKI_STORAGE_CALLBACK __stdcall
#elif defined(__i386__)
#define TAVRPKI_STORAGE_CALLBACK __attribute__((stdcall))
#else
#define TAVRPKI_STORAGE_CALLBACK  // x86-64 and others have one calling convention
#endif

namespace tavrpki {

// Called once per reported item with the walk's context, the item's id and its
// DER (valid only during the call).
using CertStorageCallback = std::int32_t(TAVRPKI_STORAGE_CALLBACK*)(void* context, std::int64_t id,
                                                                   const std::uint8_t* der,
                                                                   std::uint32_t length);

// What a query criterion compares (the numbers are part of the interface).
enum CertCriterionKind : std::uint32_t {
  kCriterionSerialNumber = 3,   // the content octets of the certificate's serial INTEGER
  kCriterionSubjectKeyId = 17,  // the key identifier octets of the subject key identifier
  kCriterionSubjectName = 18,   // the complete DER of the subject Name
};

// A set of criteria that must all hold; made by `CertStorage::CreateQuery`.
class CertQuery {
 public:
  // 0: forgets every criterion added so far.
  virtual void Clear() = 0;
  // 1: the number of criteria added.
  virtual std::uint32_t GetCriterionCount() = 0;
  // 2: adds a criterion: the item's field of that kind must equal the `length`
  // octets at `value` byte for byte (copied; the caller's bytes may go). A kind the
  // storage does not know is refused.
  virtual void AddCriterion(std::uint32_t kind, const std::uint8_t* value, std::uint32_t length) = 0;

 protected:
  ~CertQuery() = default;
};

class CertStorage {
 public:
  // 0: a new, empty query, to be handed back to `ReleaseQuery`.
  virtual CertQuery* CreateQuery() = 0;
  // 1: destroys a query made by `CreateQuery` (null is ignored).
  virtual void ReleaseQuery(CertQuery* query) = 0;
  // 2: stores a certificate (`length` bytes of DER) and answers its id. The same
  // DER stored again is not added twice: the id of the stored copy is answered and
  // *added (when not null) is 0; a new one sets it to 1. DER that is not a
  // certificate is refused and changes nothing.
  virtual std::int64_t AddCertificate(const std::uint8_t* der, std::uint32_t length,
                                      std::uint8_t* added) = 0;
  // 3: removes a certificate; nonzero when there was one with that id.
  virtual std::uint8_t RemoveCertificate(std::int64_t id) = 0;
  // 4: sets (nonzero) or clears the trust flag of a certificate; an unknown id is
  // refused. A new certificate is not trusted.
  virtual void SetTrusted(std::int64_t id, std::uint8_t trusted) = 0;
  // 5: the number of stored certificates.
  virtual std::uint32_t GetCertificateCount() = 0;
  // 6: the DER of a certificate; length in/out. An unknown id is refused.
  virtual void GetCertificate(std::int64_t id, std::uint8_t* der, std::uint32_t* length) = 0;
  // 7: calls `callback` once per stored certificate; answers how many were reported.
  virtual std::uint32_t EnumerateCertificates(void* context, CertStorageCallback callback) = 0;
  // 8: calls `callback` once per certificate that meets every criterion of
  // `query`, in no promised order (a query without criteria matches all); answers
  // how many were reported.
  virtual std::uint32_t FindCertificates(CertQuery* query, void* context,
                                         CertStorageCallback callback) = 0;
  // 9: stores a revocation list; as `AddCertificate`.
  virtual std::int64_t AddCRL(const std::uint8_t* der, std::uint32_t length, std::uint8_t* added) = 0;
  // 10: removes a revocation list; nonzero when there was one with that id.
  virtual std::uint8_t RemoveCRL(std::int64_t id) = 0;
  // 11: nonzero when the certificate is trusted; an unknown id is refused.
  virtual std::uint8_t IsTrusted(std::int64_t id) = 0;
  // 12: the DER of a revocation list; length in/out. An unknown id is refused.
  virtual void GetCRL(std::int64_t id, std::uint8_t* der, std::uint32_t* length) = 0;
  // 13: the number of stored revocation lists.
  virtual std::uint32_t GetCRLCount() = 0;
  // 14: calls `callback` once per stored revocation list; answers how many were
  // reported.
  virtual std::uint32_t EnumerateCRLs(void* context, CertStorageCallback callback) = 0;

 protected:
  ~CertStorage() = default;
};

}  // namespace tavrpki

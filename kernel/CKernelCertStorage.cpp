// The kernel's lookups in the caller's certificate storage (<tavrpki/CertStorage.h>):
// a certificate by subject or by key identifier, a certificate's trust flag (the
// newest revocation lists of an issuer: CKernelFindCrl.cpp). Each fails
// with 100020 before anything else when no storage is set; the storage is called
// without any lock held and its own failures pass unchanged.
#include <cstdint>
#include <vector>

#include <tavrpki/CertStorage.h>

#include "core/Catalogue.h"
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/HandleCast.h"
#include "ext/ExtensionOids.h"
#include "ext/PKISubjKeyId.h"

namespace Kernel {
namespace {

tavrpki::CertStorage& StorageOf(const CKernel& kernel) {
  if (kernel.GetCertStorage() == nullptr) tavrpki::Raise(tavrpki::kMsgCertStorageNotSet);
  return *static_cast<tavrpki::CertStorage*>(kernel.GetCertStorage());
}

// A query that goes back to its storage on every path out.
class Query {
 public:
  explicit Query(tavrpki::CertStorage& storage) : m_storage(storage), m_query(storage.CreateQuery()) {}
  ~Query() {
    if (m_query != nullptr) m_storage.ReleaseQuery(m_query);
  }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  void Add(std::uint32_t kind, const unsigned char* value, unsigned long length) {
    m_query->AddCriterion(kind, value, static_cast<std::uint32_t>(length));
  }
  // The id of the last certificate the storage reports, -1 for none.
  std::int64_t LastMatch() {
    std::int64_t id = -1;
    m_storage.FindCertificates(m_query, &id, &KeepId);
    return id;
  }

 private:
  static std::int32_t TAVRPKI_STORAGE_CALLBACK KeepId(void* context, std::int64_t id, const std::uint8_t*,
                                                      std::uint32_t) {
    *static_cast<std::int64_t*>(context) = id;
    return 1;
  }

  tavrpki::CertStorage& m_storage;
  tavrpki::CertQuery* m_query;
};

bool LoadMatch(tavrpki::CertStorage& storage, Query& query, CKernelCertificate& out) {
  const std::int64_t id = query.LastMatch();
  if (id < 0) return false;
  std::uint32_t length = 0;
  storage.GetCertificate(id, nullptr, &length);
  std::vector<unsigned char> der(length);
  storage.GetCertificate(id, der.data(), &length);
  // A storage that answers more than it first announced is not believed past our buffer.
  if (length > der.size()) length = static_cast<std::uint32_t>(der.size());
  out.InitFromBuffer(der.data(), length, false);
  return true;
}

template <class Get>
std::vector<unsigned char> Fetch(Get get) {
  unsigned long length = 0;
  get(nullptr, &length);
  std::vector<unsigned char> bytes(length);
  get(bytes.data(), &length);
  bytes.resize(std::min<std::size_t>(length, bytes.size()));
  return bytes;
}

// The identifier of the certificate's "2.5.29.14" extension; 100009 when absent.
std::vector<unsigned char> SubjectKeyId(const CKernelCertificate& cert) {
  const tavrpki::ASN1CertExtension* extension =
      CertificateOf(cert).TBSCertificate().Extensions().Find(tavrpki::kOidSubjectKeyIdentifier);
  if (extension == nullptr) tavrpki::Raise(tavrpki::kMsgNoSubjectKeyIdExtension);
  tavrpki::PKISubjKeyId value;
  value.FromExtension(*extension);
  const tavrpki::ByteView id = value.GetKeyId().View();
  return {id.begin(), id.end()};
}

}  // namespace

bool CKernel::FindCertificateBySubject(const unsigned char* subjectDer, unsigned long length,
                                       CKernelCertificate& out) const {
  return Boundary([&] {
    tavrpki::CertStorage& storage = StorageOf(*this);
    RequireArgument(subjectDer != nullptr && length != 0);
    Query query(storage);
    query.Add(tavrpki::kCriterionSubjectName, subjectDer, length);
    return LoadMatch(storage, query, out);
  });
}

bool CKernel::FindCertificateByKeyId(const unsigned char* keyId, unsigned long keyIdLength,
                                     const unsigned char* serial, unsigned long serialLength,
                                     CKernelCertificate& out) const {
  return Boundary([&] {
    tavrpki::CertStorage& storage = StorageOf(*this);
    RequireArgument(keyId != nullptr && keyIdLength != 0);
    Query query(storage);
    query.Add(tavrpki::kCriterionSubjectKeyId, keyId, keyIdLength);
    if (serial != nullptr && serialLength != 0) query.Add(tavrpki::kCriterionSerialNumber, serial, serialLength);
    return LoadMatch(storage, query, out);
  });
}

bool CKernel::IsTrustedCert(const CKernelCertificate& cert) const {
  return Boundary([&] {
    tavrpki::CertStorage& storage = StorageOf(*this);
    const auto keyId = SubjectKeyId(cert);
    const auto serial = Fetch([&](unsigned char* b, unsigned long* n) { cert.GetSerialNo(b, n); });
    Query query(storage);
    query.Add(tavrpki::kCriterionSubjectKeyId, keyId.data(), keyId.size());
    query.Add(tavrpki::kCriterionSerialNumber, serial.data(), serial.size());
    const std::int64_t id = query.LastMatch();
    if (id == -1) {
      const tavrpki::String subject = CertificateOf(cert).TBSCertificate().Subject().ToText();
      tavrpki::Raise(tavrpki::kMsgCertificateNotInStorage, subject.CStr());
    }
    return storage.IsTrusted(id) != 0;
  });
}

}  // namespace Kernel

#include "kernel/pkix/StorageLookups.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Catalogue.h"
#include "ext/ExtensionOids.h"
#include "ext/PKIAuthKeyId.h"
#include "ext/PKISubjKeyId.h"
#include "kernel/pkix/Certificate.h"
#include "kernel/pkix/StoredCrls.h"

namespace tavrpki::pkix {
namespace {

bool IsKnownSignatureAlgorithm(std::string_view oid) {
  return oid == kOidDstuSignaturePolynomial || oid == kOidDstuSignatureNormal ||
         oid == kOidDstuSignaturePolynomialReversed || oid == kOidDstuSignatureNormalReversed;
}

// A query that goes back to its storage on every path out.
class Query {
 public:
  explicit Query(CertStorage& storage) : m_storage(storage), m_query(storage.CreateQuery()) {}
  ~Query() {
    if (m_query != nullptr) m_storage.ReleaseQuery(m_query);
  }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  void Add(std::uint32_t kind, ByteView value) {
    m_query->AddCriterion(kind, value.data(), static_cast<std::uint32_t>(value.size()));
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

  CertStorage& m_storage;
  CertQuery* m_query;
};

bool LoadMatch(CertStorage& storage, Query& query, ASN1Certificate& out) {
  const std::int64_t id = query.LastMatch();
  if (id < 0) return false;
  std::uint32_t length = 0;
  storage.GetCertificate(id, nullptr, &length);
  std::vector<std::uint8_t> der(length);
  storage.GetCertificate(id, der.data(), &length);
  // A storage that answers more than it first announced is not believed past our buffer.
  if (length > der.size()) length = static_cast<std::uint32_t>(der.size());
  if (length == 0) Raise(kMsgInvalidParameter);  // as loading an empty buffer is refused
  ASN1Certificate fresh;
  fresh.Decode(ByteView(der.data(), length));
  if (!IsKnownSignatureAlgorithm(fresh.SignatureAlgorithm().TypeText().CStr()))
    Raise(kMsgCertSignatureAlgorithmUnsupported);
  std::swap(out, fresh);
  return true;
}

ASN1CRL LoadCrl(const Blob& der) {
  ASN1CRL list;
  list.Decode(der.View());
  if (!IsKnownSignatureAlgorithm(list.SignatureAlgorithm().TypeText().CStr()))
    Raise(kMsgCrlSignatureAlgorithmUnsupported);
  return list;
}

}  // namespace

bool FindCertificateBySubject(CertStorage& storage, ByteView subjectDer, ASN1Certificate& out) {
  if (subjectDer.empty()) Raise(kMsgInvalidParameter);
  Query query(storage);
  query.Add(kCriterionSubjectName, subjectDer);
  return LoadMatch(storage, query, out);
}

bool FindCertificateByKeyId(CertStorage& storage, ByteView keyId, ByteView serial, ASN1Certificate& out) {
  if (keyId.empty()) Raise(kMsgInvalidParameter);
  Query query(storage);
  query.Add(kCriterionSubjectKeyId, keyId);
  if (!serial.empty()) query.Add(kCriterionSerialNumber, serial);
  return LoadMatch(storage, query, out);
}

bool IsTrustedCertificate(CertStorage& storage, const ASN1Certificate& cert) {
  PKISubjKeyId subjectKeyId;
  ReadExtension(cert, subjectKeyId, kMsgNoSubjectKeyIdExtension);
  Query query(storage);
  query.Add(kCriterionSubjectKeyId, subjectKeyId.GetKeyId().View());
  query.Add(kCriterionSerialNumber, cert.TBSCertificate().SerialNumber().View());
  const std::int64_t id = query.LastMatch();
  if (id == -1) {
    const String subject = cert.TBSCertificate().Subject().ToText();
    Raise(kMsgCertificateNotInStorage, subject.CStr());
  }
  return storage.IsTrusted(id) != 0;
}

bool FindNewestCrls(CertStorage& storage, const ASN1Name& issuer, ASN1CRL& base, ASN1CRL& delta, bool& deltaFound) {
  std::vector<StoredCrl> lists = GatherCrls(storage, issuer);
  const CrlChoice choice = ChooseCrls(lists);
  if (!choice.base) return false;
  ASN1CRL newBase = LoadCrl(lists[*choice.base].der);
  ASN1CRL newDelta;
  if (choice.delta) newDelta = LoadCrl(lists[*choice.delta].der);
  std::swap(base, newBase);
  if (choice.delta) std::swap(delta, newDelta);
  deltaFound = choice.delta.has_value();
  return true;
}

ASN1Certificate FindCrlSigner(CertStorage& storage, const ASN1CRL& list) {
  const ASN1TBSCertList& body = list.TBSCertList();
  ASN1Certificate signer;
  bool found = false;
  if (const ASN1CertExtension* extension = body.CrlExtensions().Find(kOidAuthorityKeyIdentifier)) {
    PKIAuthKeyId authorityKeyId;
    authorityKeyId.FromExtension(*extension);
    found = FindCertificateByKeyId(storage, authorityKeyId.GetKeyId().View(),
                                   authorityKeyId.GetSerialNumber().View(), signer);
  } else {
    Blob issuer;
    body.Issuer().Encode(issuer);
    found = FindCertificateBySubject(storage, issuer.View(), signer);
  }
  if (!found) Raise(kMsgCrlIssuerCertificateNotFound);
  return signer;
}

}  // namespace tavrpki::pkix

#include "CertStatusSource.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>

#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelException.h"
#include "kernel/GetKernelInstance.h"
#include "servers/CallerBuffer.h"
#include "servers/StoreTime.h"

namespace tavrpki::servers {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr unsigned char kRemoveFromCrl = 8;

// CRL numbers and serials are INTEGER content octets: compared as numbers, so a
// leading zero octet (which DER writes before a high bit) does not decide.
std::span<const std::uint8_t> Significant(std::span<const std::uint8_t> number) {
  std::size_t skip = 0;
  while (skip + 1 < number.size() && number[skip] == 0) ++skip;
  return number.subspan(skip);
}

bool Less(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  a = Significant(a);
  b = Significant(b);
  if (a.size() != b.size()) return a.size() < b.size();
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

Bytes Key(std::span<const std::uint8_t> serial) {
  const auto significant = Significant(serial);
  return Bytes(significant.begin(), significant.end());
}

// The ids of the stored certificates whose field `kind` holds `value`.
std::vector<std::int64_t> FindIds(SqliteCertStore& store, CertCriterionKind kind,
                                  std::span<const std::uint8_t> value) {
  std::vector<std::int64_t> ids;
  CertQuery* query = store.CreateQuery();
  try {
    query->AddCriterion(kind, value.data(), static_cast<std::uint32_t>(value.size()));
    store.FindCertificates(query, &ids,
                           [](void* context, std::int64_t id, const std::uint8_t*, std::uint32_t)
                               TAVRPKI_STORAGE_CALLBACK -> std::int32_t {
                             static_cast<std::vector<std::int64_t>*>(context)->push_back(id);
                             return 1;
                           });
  } catch (...) {
    store.ReleaseQuery(query);
    throw;
  }
  store.ReleaseQuery(query);
  return ids;
}

std::int64_t NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

struct StoreStatusSource::ListSnapshot {
  std::vector<std::int64_t> ids;           // the CA's lists in the store when read
  std::map<Bytes, CertStatus> revoked;     // by significant serial octets
};

StoreStatusSource::StoreStatusSource(SqliteCertStore& store, std::span<const std::uint8_t> caCertDer)
    : m_store(store), m_caDer(caCertDer.begin(), caCertDer.end()) {
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  Kernel::CKernelCertificate ca(kernel);
  ca.InitFromBuffer(m_caDer.data(), static_cast<unsigned long>(m_caDer.size()), false);
  m_caKeyId = Fetch([&](unsigned char* b, unsigned long* l) { ca.GetSubjectKeyId(b, l); });

  // The CA's subject as the store keeps it: issued certificates are matched to
  // it byte for byte, as the store recorded their issuer.
  for (const std::int64_t id : FindIds(m_store, kCriterionSubjectKeyId, m_caKeyId)) {
    const auto item = m_store.Describe(id);
    if (item && m_store.Export(id) == m_caDer) m_caSubject = item->name;
  }
  if (m_caSubject.empty()) throw std::runtime_error("the CA certificate is not in the store");
  m_lists = ReadLists({});
}

StoreStatusSource::~StoreStatusSource() = default;

CertStatus StoreStatusSource::Find(std::span<const std::uint8_t> serial) {
  CertStatus status;
  if (serial.empty()) return status;
  // The CA's own records decide when they know the serial: a hold lifted there
  // is good even while a list made before the lift still names it.
  if (const auto record = m_store.FindRevocation(m_caKeyId, serial)) {
    if (!record->lifted) {
      status.kind = CertStatus::Kind::kRevoked;
      status.revocationTime = servers::FromStoreTime(record->date);
      status.reason = static_cast<std::uint32_t>(record->reason);
      return status;
    }
  } else {
    const auto lists = Lists();
    const auto entry = lists->revoked.find(Key(serial));
    if (entry != lists->revoked.end()) return entry->second;
  }
  for (const std::int64_t id : FindIds(m_store, kCriterionSerialNumber, serial)) {
    const auto item = m_store.Describe(id);
    if (item && item->issuer == m_caSubject) status.kind = CertStatus::Kind::kGood;
  }
  return status;
}

std::shared_ptr<const StoreStatusSource::ListSnapshot> StoreStatusSource::Lists() {
  std::lock_guard lock(m_listsMutex);
  const std::int64_t now = NowSeconds();
  if (now == m_listsCheckedAt) return m_lists;
  m_listsCheckedAt = now;
  std::vector<std::int64_t> ids;
  for (const SqliteCertStore::Item& item : m_store.List(SqliteCertStore::Kind::kCrl))
    if (item.name == m_caSubject) ids.push_back(item.id);
  if (ids != m_lists->ids) m_lists = ReadLists(std::move(ids));
  return m_lists;
}

// The newest full list and the newest delta list above it (by CRL number), as
// the library's own choice of stored lists makes it, restricted to lists that
// verify under the CA certificate: a list that does not is passed over.
std::shared_ptr<const StoreStatusSource::ListSnapshot> StoreStatusSource::ReadLists(
    std::vector<std::int64_t> ids) const {
  auto snapshot = std::make_shared<ListSnapshot>();
  snapshot->ids = std::move(ids);
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  Kernel::CKernelCertificate ca(kernel);
  ca.InitFromBuffer(m_caDer.data(), static_cast<unsigned long>(m_caDer.size()), false);

  struct Chosen {
    Bytes number;
    std::optional<Kernel::CKernelCRL> list;
  } base, delta;
  for (const std::int64_t id : snapshot->ids) {
    const auto item = m_store.Describe(id);
    if (!item) continue;  // removed meanwhile
    Chosen& slot = item->delta ? delta : base;
    if (slot.list && !Less(slot.number, item->number)) continue;
    try {
      const Bytes der = m_store.Export(id);
      Kernel::CKernelCRL list(kernel);
      list.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()));
      if (!list.VerifySignature(ca)) continue;
      slot.number = item->number;
      slot.list = list;
    } catch (const Kernel::CKernelException&) {
      continue;  // a list this library cannot read or check says nothing here
    }
  }
  if (delta.list && base.list && !Less(base.number, delta.number)) delta.list.reset();

  auto apply = [&](const Kernel::CKernelCRL& list) {
    const unsigned long count = list.GetEntriesCount();
    for (unsigned long i = 0; i < count; ++i) {
      const Bytes serial = Key(Fetch([&](unsigned char* b, unsigned long* l) { list.GetEntrySerialNo(i, b, l); }));
      const unsigned char reason = list.GetEntryReasonCode(i);
      if (reason == kRemoveFromCrl) {
        snapshot->revoked.erase(serial);
        continue;
      }
      CertStatus status;
      status.kind = CertStatus::Kind::kRevoked;
      status.revocationTime = list.GetEntryRevokeDate(i);
      status.reason = reason;
      snapshot->revoked[serial] = status;
    }
  };
  if (base.list) apply(*base.list);
  if (delta.list) apply(*delta.list);
  return snapshot;
}

}  // namespace tavrpki::servers

// Where the OCSP responder learns what became of a certificate its CA issued.
//
// A source answers for one CA: good, revoked (with the time and the CRL reason)
// or unknown, by the serial number's content octets. Sources are called from
// several server threads at once and guard themselves.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "platform/Time.h"

namespace tavrpki::servers {

struct CertStatus {
  enum class Kind { kGood, kRevoked, kUnknown };
  Kind kind = Kind::kUnknown;
  _SYSTEMTIME revocationTime{};  // UTC; revoked only
  std::uint32_t reason = 0xFF;   // CRLReason code; 0xFF: the CA gave none
};

class CertStatusSource {
 public:
  virtual ~CertStatusSource() = default;
  virtual CertStatus Find(std::span<const std::uint8_t> serial) = 0;
};

// The statuses a certificate store holds for one CA.
//
// Revoked: the CA's revocation records (`ca revoke`) hold the serial and no
// lifted hold; for a serial without a record, the CA's newest base and delta
// lists in the store name it (a removeFromCRL entry of the delta makes it
// good again). Good: otherwise, when the store holds a certificate with that
// serial and the CA's subject as issuer. Everything else: unknown.
// The lists are read again when the set stored for the CA changes, looked at no
// more than once a second, so a list added while the responder runs counts
// within a second or so; only lists whose signature verifies under the CA
// certificate count. Records are read at every request.
class StoreStatusSource final : public CertStatusSource {
 public:
  // `caCertDer` must be in `store` (found by its subject key identifier and its
  // DER); throws std::runtime_error with a message for the operator otherwise,
  // and the library's exception for a certificate it cannot read.
  StoreStatusSource(SqliteCertStore& store, std::span<const std::uint8_t> caCertDer);
  ~StoreStatusSource() override;

  CertStatus Find(std::span<const std::uint8_t> serial) override;

  const std::vector<std::uint8_t>& CaKeyId() const { return m_caKeyId; }

 private:
  struct ListSnapshot;
  std::shared_ptr<const ListSnapshot> Lists();
  std::shared_ptr<const ListSnapshot> ReadLists(std::vector<std::int64_t> ids) const;

  SqliteCertStore& m_store;
  std::vector<std::uint8_t> m_caDer;
  std::vector<std::uint8_t> m_caSubject;
  std::vector<std::uint8_t> m_caKeyId;
  std::mutex m_listsMutex;
  std::shared_ptr<const ListSnapshot> m_lists;  // under m_listsMutex
  std::int64_t m_listsCheckedAt = -1;           // seconds; under m_listsMutex
};

}  // namespace tavrpki::servers

#include "kernel/pkix/PublicKeyInfo.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "crypto/params/DstuParams.h"
#include "crypto/params/SubjectPublicKey.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "kernel/pkix/SignedBody.h"

namespace tavrpki::pkix {
namespace {

bool StoredOrder(const ASN1SubjPubKeyInfo& info) {
  return IsStoredOrderAlgorithm(info.Algorithm().TypeText().CStr());
}

// A bounded process-wide map for values that depend only on public bytes. Once
// full it stops taking entries: a stream of distinct inputs is then computed each
// time rather than growing the map without end.
template <class Value, std::size_t kMaxEntries>
class BoundedCache {
 public:
  std::optional<Value> Find(const std::string& key) const {
    std::lock_guard<std::mutex> hold(m_lock);
    const auto it = m_entries.find(key);
    if (it == m_entries.end()) return std::nullopt;
    return it->second;
  }
  void Put(std::string key, const Value& value) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_entries.size() < kMaxEntries) m_entries.emplace(std::move(key), value);
  }

 private:
  mutable std::mutex m_lock;
  std::map<std::string, Value> m_entries;
};

// Parameters by (byte order, DER).
class ParamsCache {
 public:
  CAsymmetric4145Params Get(ByteView der, bool storedOrder) {
    if (std::optional<CAsymmetric4145Params> cached = m_cache.Find(Key(der, storedOrder))) return std::move(*cached);
    CAsymmetric4145Params params;
    DecodeDstuParams(der, storedOrder, params);
    Put(der, storedOrder, params);
    return params;
  }
  void Put(ByteView der, bool storedOrder, const CAsymmetric4145Params& params) {
    m_cache.Put(Key(der, storedOrder), params);
  }

 private:
  static std::string Key(ByteView der, bool storedOrder) {
    std::string key(1, storedOrder ? '1' : '0');
    key.append(reinterpret_cast<const char*>(der.data()), der.size());
    return key;
  }

  BoundedCache<CAsymmetric4145Params, 64> m_cache;
};

ParamsCache& Cache() {
  static ParamsCache cache;
  return cache;
}

// Decompressed public keys by (byte order, parameter DER, key octets).
BoundedCache<CPublicKey, 1024>& PointCache() {
  static BoundedCache<CPublicKey, 1024> cache;
  return cache;
}

}  // namespace

CAsymmetric4145Params KeyParams(const ASN1SubjPubKeyInfo& info) {
  Blob der;
  info.Algorithm().Value().Encode(der);
  return Cache().Get(der.View(), StoredOrder(info));
}

CKeyPair PublicKeyPair(const ASN1SubjPubKeyInfo& info, std::uint32_t usage) {
  Blob der;
  info.Algorithm().Value().Encode(der);
  const bool storedOrder = StoredOrder(info);
  const Blob key = info.GetKey();
  // An issuer's key is taken out of its certificate once for every certificate
  // it signed; the decompressed point is cached beside the parameters.
  std::string keyId(1, storedOrder ? '1' : '0');
  keyId.append(reinterpret_cast<const char*>(der.Data()), der.Size());
  keyId.push_back('\0');
  keyId.append(reinterpret_cast<const char*>(key.Data()), key.Size());
  if (std::optional<CPublicKey> cached = PointCache().Find(keyId))
    return CKeyPair(CPrivateKey(), *cached, Cache().Get(der.View(), storedOrder), usage);
  CKeyPair pair = PublicKeyPairOf(info, usage);
  PointCache().Put(std::move(keyId), pair.GetPublicKey());
  Cache().Put(der.View(), storedOrder, pair.GetParams());
  return pair;
}

ASN1SubjPubKeyInfo ToPublicKeyInfo(const CKeyPair& pair) { return SubjectPublicKeyInfoOf(pair); }

std::array<std::uint8_t, 32> SubjectKeyId(const ASN1SubjPubKeyInfo& info) {
  const CAsymmetric4145Params params = KeyParams(info);
  std::array<std::uint8_t, 32> id{};
  const Blob& keyField = info.SubjectPublicKey().Bytes();
  symmetric::CalcHash(keyField.View(), id, HashSBox(params));
  return id;
}

}  // namespace tavrpki::pkix

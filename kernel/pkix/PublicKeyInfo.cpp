#include "kernel/pkix/PublicKeyInfo.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/Catalogue.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/params/CurveEngine.h"
#include "crypto/params/DstuParams.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "gostcrypto/CryptoEngine.h"
#include "kernel/pkix/SignedBody.h"

namespace tavrpki::pkix {
namespace {

bool StoredOrder(const ASN1SubjPubKeyInfo& info) {
  return IsStoredOrderAlgorithm(info.Algorithm().TypeText().CStr());
}

// Parameters by (byte order, DER). Bounded: a stream of distinct explicit
// parameters is decoded each time rather than growing the map without end.
class ParamsCache {
 public:
  CAsymmetric4145Params Get(ByteView der, bool storedOrder) {
    std::string key(1, storedOrder ? '1' : '0');
    key.append(reinterpret_cast<const char*>(der.data()), der.size());
    {
      std::lock_guard<std::mutex> hold(m_lock);
      const auto it = m_entries.find(key);
      if (it != m_entries.end()) return it->second;
    }
    CAsymmetric4145Params params;
    DecodeDstuParams(der, storedOrder, params);
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_entries.size() < kMaxEntries) m_entries.emplace(std::move(key), params);
    return params;
  }

 private:
  static constexpr std::size_t kMaxEntries = 64;
  std::mutex m_lock;
  std::map<std::string, CAsymmetric4145Params, std::less<>> m_entries;
};

ParamsCache& Cache() {
  static ParamsCache cache;
  return cache;
}

// The compressed key as an m-bit stored number: non-zero octets beyond the field
// size mean a key of another curve.
longmath::LongInt CompressedKey(ByteView key, bool storedOrder, std::uint32_t m) {
  std::vector<std::uint8_t> le(key.begin(), key.end());
  if (!storedOrder) std::reverse(le.begin(), le.end());
  const std::size_t size = (std::size_t{m} + 7) / 8;
  for (std::size_t i = size; i < le.size(); ++i)
    if (le[i] != 0) Raise(kMsgCryptoCore, 0x12);
  le.resize(size);
  return params::ToLongInt(ByteView(le.data(), le.size()), m);
}

}  // namespace

CAsymmetric4145Params KeyParams(const ASN1SubjPubKeyInfo& info) {
  Blob der;
  info.Algorithm().Value().Encode(der);
  return Cache().Get(der.View(), StoredOrder(info));
}

CKeyPair PublicKeyPair(const ASN1SubjPubKeyInfo& info, std::uint32_t usage) {
  const bool storedOrder = StoredOrder(info);
  CAsymmetric4145Params params = KeyParams(info);
  const Blob key = info.GetKey();
  longmath::LongInt x;
  longmath::LongInt y;
  try {
    gostcrypto::CryptoEngine engine;
    params::LoadCurve(engine, params);
    engine.DecompressPoint(CompressedKey(key.View(), storedOrder, params.m), x, y);
  } catch (const gostcrypto::CryptoException& error) {
    Raise(kMsgCryptoCore, error.GetCode());
  }
  const CPublicKey point(CAsymmetricKey(CBitBlob(x.Bytes(), params.m)),
                         CAsymmetricKey(CBitBlob(y.Bytes(), params.m)));
  return CKeyPair(CPrivateKey(), point, params, usage);
}

ASN1SubjPubKeyInfo ToPublicKeyInfo(const CKeyPair& pair) {
  const CAsymmetric4145Params& params = pair.GetParams();
  ASN1SubjPubKeyInfo info;
  ASN1Primitive parameters;
  parameters.Decode(EncodeDstuParams(params).View());
  info.Algorithm() = ASN1AttrTypeValue(PublicKeyAlgorithmOid(params), parameters);
  info.SetKey(dstu::CompressPublicKey(pair).View());
  return info;
}

std::array<std::uint8_t, 32> SubjectKeyId(const ASN1SubjPubKeyInfo& info) {
  const CAsymmetric4145Params params = KeyParams(info);
  std::array<std::uint8_t, 32> id{};
  const Blob& keyField = info.SubjectPublicKey().Bytes();
  symmetric::CalcHash(keyField.View(), id, HashSBox(params));
  return id;
}

}  // namespace tavrpki::pkix

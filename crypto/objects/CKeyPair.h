// Key pairs: a private key, its public key, their parameter set and the usage
// (0 signing, 1 encryption), and the double key pair of a signing and an
// encryption pair.
//
// CKeyPair binary form: item 0 the usage (4 bytes), items 1-3 the private key, the
// public key and the parameters, each its own binary form. CDoubleKeyPair: item 0
// the signing pair, item 1 the encryption pair.
#pragma once

#include <cstdint>

#include "crypto/objects/CAsymmetric4145Params.h"
#include "crypto/objects/CKey.h"
#include "crypto/objects/CPublicKey.h"

namespace tavrpki {

class CKeyPair : public CBinaryData {
 public:
  static constexpr std::uint32_t kSigning = 0;
  static constexpr std::uint32_t kEncryption = 1;

  CKeyPair() = default;
  CKeyPair(const CPrivateKey& privateKey, const CPublicKey& publicKey,
           const CAsymmetric4145Params& params, std::uint32_t usage)
      : m_private(privateKey), m_public(publicKey), m_params(params), m_usage(usage) {}

  const CPrivateKey& GetPrivateKey() const { return m_private; }
  const CPublicKey& GetPublicKey() const { return m_public; }
  const CAsymmetric4145Params& GetParams() const { return m_params; }
  std::uint32_t GetUsage() const { return m_usage; }
  void SetPrivateKey(const CPrivateKey& key) { m_private = key; }
  void SetPublicKey(const CPublicKey& key) { m_public = key; }
  void SetParams(const CAsymmetric4145Params& params) { m_params = params; }
  void SetUsage(std::uint32_t usage) { m_usage = usage; }

  // The binary form holds the private key: callers wipe `out` when done with it.
  Blob& ToBinary(Blob& out) const override;
  void FromBinary(const Blob& in) override { FromItems(in.View()); }
  void FromItems(ByteView in);

 private:
  CPrivateKey m_private;
  CPublicKey m_public;
  CAsymmetric4145Params m_params;
  std::uint32_t m_usage = kSigning;
};

class CDoubleKeyPair : public CBinaryData {
 public:
  // An empty signing pair (usage 0) and an empty encryption pair (usage 1).
  CDoubleKeyPair();
  // Throws 60001 unless `sign` has usage 0 and 60002 unless `crypt` has usage 1.
  CDoubleKeyPair(const CKeyPair& sign, const CKeyPair& crypt);

  const CKeyPair& GetSignPair() const { return m_sign; }
  const CKeyPair& GetCryptPair() const { return m_crypt; }
  // Both replaced together, after the same usage checks as the constructor.
  void SetPairs(const CKeyPair& sign, const CKeyPair& crypt);

  // The binary form holds both private keys: callers wipe `out` when done with it.
  Blob& ToBinary(Blob& out) const override;
  // Refuses a form whose first pair is not for signing (60001) or whose second is
  // not for encryption (60002); the old pairs stay then.
  void FromBinary(const Blob& in) override { FromItems(in.View()); }
  // The same from bytes the caller holds (no copy of the private keys is made).
  void FromItems(ByteView in);

 private:
  static void CheckUsages(const CKeyPair& sign, const CKeyPair& crypt);

  CKeyPair m_sign;
  CKeyPair m_crypt;
};

}  // namespace tavrpki

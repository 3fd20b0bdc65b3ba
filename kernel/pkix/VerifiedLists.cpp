#include "kernel/pkix/VerifiedLists.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "kernel/pkix/Certificate.h"
#include "kernel/pkix/RevocationList.h"

namespace tavrpki::pkix {
namespace {

constexpr std::size_t kMaxLists = 256;
constexpr std::size_t kMaxBodyBytes = std::size_t{64} << 20;

class Remembered {
 public:
  bool Contains(const std::string& key, ByteView body) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_verified.find(key);
    return found != m_verified.end() && std::equal(body.begin(), body.end(), found->second.begin(),
                                                   found->second.end());
  }

  void Add(std::string key, ByteView body) {
    if (body.size() > kMaxBodyBytes) return;
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_verified.size() >= kMaxLists || m_bodyBytes + body.size() > kMaxBodyBytes) {
      m_verified.clear();
      m_bodyBytes = 0;
    }
    const auto [at, added] = m_verified.try_emplace(std::move(key), body.begin(), body.end());
    if (added) m_bodyBytes += at->second.size();
  }

 private:
  std::mutex m_mutex;
  // key: algorithm OID, signature and signer key; value: the signed body.
  std::unordered_map<std::string, std::vector<std::uint8_t>> m_verified;
  std::size_t m_bodyBytes = 0;
};

Remembered& Memory() {
  static Remembered memory;
  return memory;
}

std::string KeyOf(const ASN1CRL& list, const ASN1Certificate& signer) {
  const String algorithmText = list.SignatureAlgorithm().TypeText();
  const std::string algorithm(algorithmText.CStr());
  const Blob signature = list.GetSignature();
  Blob publicKeyInfo;
  signer.TBSCertificate().PublicKeyInfo().Encode(publicKeyInfo);
  // Lengths first, so that no two different triples give one key.
  std::string key = std::to_string(algorithm.size()) + ':' + std::to_string(signature.Size()) + ':' + algorithm;
  key.append(reinterpret_cast<const char*>(signature.Data()), signature.Size());
  key.append(reinterpret_cast<const char*>(publicKeyInfo.Data()), publicKeyInfo.Size());
  return key;
}

}  // namespace

bool VerifyRevocationListRemembered(const ASN1CRL& list, const ASN1Certificate& signer) {
  const ByteView body = list.TBSCertList().SignedBytes();
  std::string key = KeyOf(list, signer);
  if (!body.empty() && Memory().Contains(key, body)) return true;
  const bool verified = VerifyRevocationList(list, CertificateSignKey(signer));
  if (verified && !body.empty()) Memory().Add(std::move(key), body);
  return verified;
}

}  // namespace tavrpki::pkix

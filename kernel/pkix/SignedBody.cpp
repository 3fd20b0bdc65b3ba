#include "kernel/pkix/SignedBody.h"

#include <vector>

#include "core/Catalogue.h"
#include "crypto/params/DstuParams.h"
#include "crypto/symmetric/SymmetricOps.h"

namespace tavrpki::pkix {
const unsigned char* HashSBox(const CAsymmetric4145Params& params) {
  constexpr std::uint32_t kSBoxSize = 128;
  if (params.dke.IsEmpty()) return nullptr;
  if (params.dke.Size() != kSBoxSize) Raise(kMsgBadSBox);
  return params.dke.Data();
}

const char* SignatureAlgorithmOid(const CAsymmetric4145Params& signer) {
  return PublicKeyAlgorithmOid(signer);
}

BodyHash HashBody(const ISignable& body, const CAsymmetric4145Params& params) {
  Blob bytes;
  body.GetSignedBytes(bytes);
  BodyHash hash{};
  symmetric::CalcHash(bytes.View(), hash, HashSBox(params));
  return hash;
}

Blob SignBody(const ISignable& body, const CKeyPair& signer, const dstu::RandomSource& random) {
  const BodyHash hash = HashBody(body, signer.GetParams());
  return dstu::Sign(signer, hash, random);
}

bool VerifyBody(const ISignable& body, std::string_view algorithmOid, ByteView signature,
                const CKeyPair& signer) {
  const BodyHash hash = HashBody(body, signer.GetParams());
  if (IsStoredOrderAlgorithm(algorithmOid)) return dstu::Verify(signer, hash, signature);
  const std::vector<std::uint8_t> reversed(signature.rbegin(), signature.rend());
  return dstu::Verify(signer, hash, ByteView(reversed.data(), reversed.size()));
}

}  // namespace tavrpki::pkix

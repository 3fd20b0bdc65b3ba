#include "crypto/params/SubjectPublicKey.h"

#include <algorithm>

#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/params/DstuParams.h"
#include "crypto/params/PointCompression.h"

namespace tavrpki {

ASN1SubjPubKeyInfo SubjectPublicKeyInfoOf(const CKeyPair& pair) {
  const CAsymmetric4145Params& params = pair.GetParams();
  ASN1Primitive parameters;
  parameters.Decode(EncodeDstuParams(params));
  ASN1SubjPubKeyInfo info;
  info.Algorithm() = ASN1AttrTypeValue(PublicKeyAlgorithmOid(params), parameters);
  info.SetKey(dstu::CompressPublicKey(pair));
  return info;
}

CKeyPair PublicKeyPairOf(const ASN1SubjPubKeyInfo& info, std::uint32_t usage) {
  const bool storedOrder = IsStoredOrderAlgorithm(info.Algorithm().TypeText().CStr());
  Blob parametersDer;
  info.Algorithm().Value().Encode(parametersDer);
  CAsymmetric4145Params params;
  DecodeDstuParams(parametersDer, storedOrder, params);
  Blob key = info.GetKey();
  if (!storedOrder) std::reverse(key.Data(), key.Data() + key.Size());
  const CBasePoint q = DecompressBasePoint(params, key);
  CKeyPair pair;
  pair.SetPublicKey(CPublicKey(CAsymmetricKey(q.GetX()), CAsymmetricKey(q.GetY())));
  pair.SetParams(params);
  pair.SetUsage(usage);
  return pair;
}

}  // namespace tavrpki

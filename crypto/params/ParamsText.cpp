#include "crypto/params/ParamsText.h"

#include <algorithm>

#include "asn1/ASN1OID.h"
#include "asn1/Der.h"
#include "asn1/Hex.h"
#include "core/Exception.h"
#include "crypto/objects/CPublicKey.h"
#include "crypto/params/CurveEngine.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"

namespace tavrpki::params {
namespace {

constexpr Message kMsgNoParameters{kNoCode, "The algorithm identifier carries no parameters"};
constexpr Message kMsgBadPoint{kNoCode, "The public key is not a point of the curve"};

std::vector<std::uint8_t> Bytes(ByteView view) { return {view.begin(), view.end()}; }

std::string DkeName(const Blob& dke) {
  if (std::equal(dke.begin(), dke.end(), kDke1.begin(), kDke1.end())) return "DKE No. 1";
  if (std::equal(dke.begin(), dke.end(), kDefaultSBox.begin(), kDefaultSBox.end())) return "default S-box";
  if (dke.Size() != kDkeSize) return "(none)";
  Dke table{};
  std::copy(dke.begin(), dke.end(), table.begin());
  return HexEncode(PackDke(table)) + " (packed)";
}

// The table entry with these very numbers, if any.
const NamedCurve* Matching(const CAsymmetric4145Params& p) {
  for (const NamedCurve& curve : NamedCurves()) {
    CAsymmetric4145Params named = NamedCurveParams(curve.oid, p.dke);
    named.curveOid = p.curveOid;
    if (named == p) return &curve;
  }
  return nullptr;
}

// The first element inside the element `in`, when `in` is constructed and holds one.
bool FirstChild(ByteView in, ByteView& child) {
  DerReader outer(in);
  DerReader inner = outer.Enter();
  if (!inner.HasMore()) return false;
  child = inner.Next();
  return true;
}

}  // namespace

std::vector<std::uint8_t> NamedCurveParamsDer(std::string_view oid, std::span<const std::uint8_t> dke,
                                              bool explicitForm) {
  CAsymmetric4145Params p = NamedCurveParams(oid, dke);
  if (explicitForm) p.curveOid = String();
  return Bytes(EncodeDstuParams(p).View());
}

ParamsDescription DescribeParamsDer(std::span<const std::uint8_t> der, bool storedOrder) {
  ParamsDescription out;
  out.storedOrder = storedOrder;
  ByteView block(der);
  // A SubjectPublicKeyInfo: its AlgorithmIdentifier, when that begins with an OID.
  ByteView first, firstOfFirst;
  if (block.size() > 4 && block[0] == 0x30 && FirstChild(block, first) && first[0] == 0x30 &&
      FirstChild(first, firstOfFirst) && firstOfFirst[0] == 0x06)
    block = first;
  // A whole AlgorithmIdentifier (an OID that names no curve, then the parameters):
  // its OID says the byte order.
  if (block.size() > 2 && block[0] == 0x30) {
    DerReader inner = DerReader(block).Enter();
    ASN1OID algorithm;
    if (inner.HasMore() && inner.PeekIdentifier() == 0x06 &&
        (inner.Read(algorithm), FindNamedCurve(algorithm.ToText().CStr()) == nullptr)) {
      out.algorithmOid = algorithm.ToText().CStr();
      out.storedOrder = IsStoredOrderAlgorithm(out.algorithmOid);
      if (!inner.HasMore()) Raise(kMsgNoParameters);
      block = inner.Next();
    }
  }
  ASN1DSTUParams decoded;
  decoded.Decode(block);
  CAsymmetric4145Params p;
  FromDstuParams(decoded, out.storedOrder, p);
  out.curve = Matching(p);
  out.named = p.curveOid.Length() != 0;
  out.curveOid = p.curveOid.CStr();
  out.m = p.m;
  out.k = p.k;
  out.j = p.j;
  out.l = p.l;
  out.a = p.a;
  out.b = Bytes(p.b.View());
  out.n = Bytes(p.n.View());
  out.px = Bytes(p.p.GetX().View());
  out.py = Bytes(p.p.GetY().View());
  out.dke = DkeName(p.dke);
  out.dkeInDer = !decoded.dke.IsEmpty();
  return out;
}

std::vector<std::uint8_t> CompressedPublicKey(std::span<const std::uint8_t> publicKey,
                                              std::span<const std::uint8_t> paramsBuffer) {
  CAsymmetric4145Params params;
  params.FromBinary(Blob(paramsBuffer.data(), static_cast<std::uint32_t>(paramsBuffer.size())));
  CPublicKey q;
  q.FromItems(publicKey);
  try {
    gostcrypto::CryptoEngine engine;
    LoadCurve(engine, params);
    const longmath::LongInt c =
        engine.CompressPoint(ToLongInt(q.GetX().GetValue()), ToLongInt(q.GetY().GetValue()));
    const auto bytes = c.Bytes();
    return {bytes.begin(), bytes.end()};
  } catch (const gostcrypto::CryptoException&) {
    Raise(kMsgBadPoint);
  }
}

}  // namespace tavrpki::params

#include "crypto/params/DstuParams.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/Catalogue.h"
#include "crypto/params/Dke.h"
#include "crypto/params/NamedCurves.h"
#include "crypto/params/PointCompression.h"

namespace tavrpki {
namespace {

std::vector<std::uint8_t> Reversed(ByteView bytes) { return {bytes.rbegin(), bytes.rend()}; }

// `le` (least significant first) as a value of m bits; non-zero bytes beyond the
// m-bit size mean the DER does not describe the curve it claims.
CBitBlob FieldNumber(ByteView le, std::uint32_t m) {
  const std::size_t size = (std::size_t{m} + 7) / 8;
  if (le.size() > size && std::any_of(le.begin() + static_cast<std::ptrdiff_t>(size), le.end(),
                                      [](std::uint8_t byte) { return byte != 0; }))
    Raise(kMsgBadECBinaryDecode);
  return CBitBlob(le, m);
}

Blob DkeOf(const ASN1OctetString& der) {
  const Blob& packed = der.Value();
  if (packed.IsEmpty()) return Blob(ByteView(params::kDefaultSBox));
  if (packed.Size() >= params::kDkeSize) {
    // Entries are 4 bits; anything above would index past the cipher's rows.
    Blob table(packed.View().first(params::kDkeSize));
    for (std::uint32_t i = 0; i < table.Size(); ++i) table.Data()[i] &= 15;
    return table;
  }
  if (packed.Size() < params::kPackedDkeSize) Raise(kMsgBadECBinaryDecode);
  return Blob(ByteView(params::UnpackDke(packed.View())));
}

}  // namespace

CAsymmetric4145Params NamedCurveParams(std::string_view oid, ByteView dke) {
  const params::NamedCurve* curve = params::FindNamedCurve(oid);
  if (curve == nullptr) Raise(kMsgCurveNotFound);
  CAsymmetric4145Params p;
  p.m = curve->m;
  p.k = curve->k;
  p.j = curve->j;
  p.l = curve->l;
  p.a = curve->a;
  p.b = CBitBlob(curve->b, curve->m);
  p.p = CBasePoint(CBitBlob(curve->x, curve->m), CBitBlob(curve->y, curve->m));
  p.n = CBitBlob(curve->n, curve->m);
  p.dke.Assign(dke);
  p.curveOid.Assign(std::string(curve->oid).c_str());
  return p;
}

ASN1DSTUParams ToDstuParams(const CAsymmetric4145Params& params) {
  ASN1DSTUParams der;
  if (params.curveOid.Length() != 0) {
    der.choice = ASN1DSTUParams::kNamedCurve;
    der.namedCurve.SetText(params.curveOid.CStr());
  } else {
    der.choice = ASN1DSTUParams::kExplicitCurve;
    ECBinary& curve = der.explicitCurve;
    curve.version = 0;
    curve.m = params.m;
    curve.a = static_cast<std::uint8_t>(params.a);
    if (params.IsPentanomial()) {
      curve.polynomialType = ECBinary::kPentanomial;
      curve.pentanomialK = params.k;
      curve.j = params.j;
      curve.l = params.l;
    } else if (params.k != 0) {
      curve.polynomialType = ECBinary::kTrinomial;
      curve.trinomialK = params.k;
      curve.pentanomialK = params.k;
    } else {
      curve.polynomialType = ECBinary::kNormalBasis;
    }
    curve.b.SetValue(params.b.View());
    curve.n.SetBytes(Reversed(params.n.View()));
    curve.bp.SetValue(CompressBasePoint(params).View());
  }
  // Missing entries of a short table count as zero, as the cipher would use them.
  params::Dke table{};
  std::copy_n(params.dke.begin(), std::min<std::size_t>(params.dke.Size(), table.size()), table.begin());
  der.dke.SetValue(params::PackDke(table));
  return der;
}

Blob EncodeDstuParams(const CAsymmetric4145Params& params) {
  Blob out;
  ToDstuParams(params).Encode(out);
  return out;
}

void FromDstuParams(const ASN1DSTUParams& der, bool storedOrder, CAsymmetric4145Params& out) {
  if (der.choice == ASN1DSTUParams::kExplicitCurve && der.explicitCurve.version != 0)
    Raise(kMsgParamsVersionUnsupported);
  const Blob dke = DkeOf(der.dke);
  if (der.choice == ASN1DSTUParams::kNamedCurve) {
    out = NamedCurveParams(der.namedCurve.ToText().CStr(), dke);
    return;
  }
  if (der.choice != ASN1DSTUParams::kExplicitCurve) Raise(kMsgBadECBinaryDecode);

  const ECBinary& curve = der.explicitCurve;
  CAsymmetric4145Params p;
  p.m = curve.m;
  p.a = curve.a;
  p.k = curve.K();
  p.j = curve.polynomialType == ECBinary::kPentanomial ? curve.j : 0;
  p.l = curve.polynomialType == ECBinary::kPentanomial ? curve.l : 0;
  const ByteView b = curve.b.Value().View();
  const ByteView bp = curve.bp.Value().View();
  p.b = storedOrder ? FieldNumber(b, p.m) : FieldNumber(Reversed(b), p.m);
  p.n = FieldNumber(Reversed(curve.n.Bytes().View()), p.m);
  if (!bp.empty()) {
    const CBitBlob compressed = storedOrder ? FieldNumber(bp, p.m) : FieldNumber(Reversed(bp), p.m);
    p.p = DecompressBasePoint(p, compressed.View());
  }
  p.dke = dke;
  out = std::move(p);
}

void DecodeDstuParams(ByteView der, bool storedOrder, CAsymmetric4145Params& out) {
  ASN1DSTUParams decoded;
  decoded.Decode(der);
  FromDstuParams(decoded, storedOrder, out);
}

const char* PublicKeyAlgorithmOid(const CAsymmetric4145Params& params) {
  return params.IsNormalBasis() ? kDstuNormalBasisOid : kDstuPolynomialBasisOid;
}

bool IsStoredOrderAlgorithm(std::string_view oid) {
  return oid == kDstuPolynomialBasisOid || oid == kDstuNormalBasisOid;
}

}  // namespace tavrpki

#include "crypto/params/PointCompression.h"

#include <algorithm>

#include "core/Catalogue.h"
#include "crypto/params/CurveEngine.h"
#include "crypto/params/NamedCurves.h"

namespace tavrpki {
namespace {

using params::NamedCurve;

bool Equals(ByteView bytes, std::string_view hex, std::uint32_t m) {
  const CBitBlob expected(hex, m);
  return bytes.size() == expected.Size() && std::equal(bytes.begin(), bytes.end(), expected.begin());
}

// The table entry with the same field, coefficients and order, if any.
const NamedCurve* SameCurve(const CAsymmetric4145Params& p) {
  for (const NamedCurve& curve : params::NamedCurves()) {
    if (curve.m == p.m && curve.k == p.k && curve.j == p.j && curve.l == p.l && curve.a == p.a &&
        Equals(p.b.View(), curve.b, p.m) && Equals(p.n.View(), curve.n, p.m))
      return &curve;
  }
  return nullptr;
}

// Runs `body` on an engine loaded with the curve of `p`, turning failures of the
// core into 40003.
template <typename Body>
auto WithEngine(const CAsymmetric4145Params& p, Body&& body) {
  try {
    gostcrypto::CryptoEngine engine;
    params::LoadCurve(engine, p);
    return body(engine);
  } catch (const gostcrypto::CryptoException& error) {
    Raise(kMsgCryptoCore, error.GetCode());
  }
}

}  // namespace

Blob CompressBasePoint(const CAsymmetric4145Params& params) {
  if (const NamedCurve* curve = SameCurve(params);
      curve != nullptr && Equals(params.p.GetX().View(), curve->x, params.m) &&
      Equals(params.p.GetY().View(), curve->y, params.m))
    return CBitBlob(curve->compressedBasePoint, params.m);
  return WithEngine(params, [&](gostcrypto::CryptoEngine& engine) {
    return Blob(engine.CompressPoint(engine.Px, engine.Py).Bytes());
  });
}

CBasePoint DecompressBasePoint(const CAsymmetric4145Params& params, ByteView compressed) {
  const NamedCurve* curve = SameCurve(params);
  if (curve != nullptr && Equals(compressed, curve->compressedBasePoint, params.m))
    return CBasePoint(CBitBlob(curve->x, params.m), CBitBlob(curve->y, params.m));
  // The engine accepts a curve only together with a base point of order n. On a
  // named curve its own base point serves; a curve of no table entry has none.
  CAsymmetric4145Params onCurve = params;
  onCurve.p = curve != nullptr ? CBasePoint(CBitBlob(curve->x, params.m), CBitBlob(curve->y, params.m))
                               : CBasePoint(CBitBlob(params.m), CBitBlob(params.m));
  return WithEngine(onCurve, [&](gostcrypto::CryptoEngine& engine) {
    longmath::LongInt px;
    longmath::LongInt py;
    engine.DecompressPoint(params::ToLongInt(compressed, params.m), px, py);
    return CBasePoint(CBitBlob(px.Bytes(), params.m), CBitBlob(py.Bytes(), params.m));
  });
}

}  // namespace tavrpki

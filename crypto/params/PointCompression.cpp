#include "crypto/params/PointCompression.h"

#include <algorithm>
#include <stdexcept>

#include "core/Catalogue.h"
#include "crypto/params/NamedCurves.h"
#include "gostcrypto/CryptoEngine.h"
#include "longmath/LongInt.h"

namespace tavrpki {
namespace {

using params::NamedCurve;

// Code of the core for a value longer than the field or the order allows.
constexpr int kValueTooLong = 0x12;

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

longmath::LongInt Number(ByteView bytes, std::uint32_t bits) {
  if (bytes.size() > longmath::LongInt::kCapacityBytes || bits > longmath::LongInt::kCapacityBits)
    Raise(kMsgCryptoCore, kValueTooLong);
  longmath::LongInt value(static_cast<std::uint16_t>(bits));
  value.SetFromBuffer(bytes.data(), bytes.size());
  return value;
}

template <typename Body>
auto WithEngine(const CAsymmetric4145Params& p, ByteView px, ByteView py, Body&& body) {
  try {
    gostcrypto::CryptoEngine engine;
    engine.m = p.m;
    engine.k = p.k;
    engine.j = p.j;
    engine.l = p.l;
    engine.A = p.a;
    engine.B = Number(p.b.View(), p.m);
    engine.n = Number(p.n.View(), p.m);
    engine.Px = Number(px, p.m);
    engine.Py = Number(py, p.m);
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
  return WithEngine(params, params.p.GetX().View(), params.p.GetY().View(), [&](auto& engine) {
    const longmath::LongInt c =
        engine.CompressPoint(Number(params.p.GetX().View(), params.m), Number(params.p.GetY().View(), params.m));
    return Blob(c.Bytes());
  });
}

CBasePoint DecompressBasePoint(const CAsymmetric4145Params& params, ByteView compressed) {
  const NamedCurve* curve = SameCurve(params);
  if (curve != nullptr && Equals(compressed, curve->compressedBasePoint, params.m))
    return CBasePoint(CBitBlob(curve->x, params.m), CBitBlob(curve->y, params.m));
  // The engine accepts a curve only together with a base point of order n. On a
  // named curve its own base point serves; a curve of no table entry has none.
  const CBitBlob x = curve != nullptr ? CBitBlob(curve->x, params.m) : CBitBlob(params.m);
  const CBitBlob y = curve != nullptr ? CBitBlob(curve->y, params.m) : CBitBlob(params.m);
  return WithEngine(params, x.View(), y.View(), [&](auto& engine) {
    longmath::LongInt px;
    longmath::LongInt py;
    engine.DecompressPoint(Number(compressed, params.m), px, py);
    return CBasePoint(CBitBlob(px.Bytes(), params.m), CBitBlob(py.Bytes(), params.m));
  });
}

}  // namespace tavrpki

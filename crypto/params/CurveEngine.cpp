#include "crypto/params/CurveEngine.h"

namespace tavrpki::params {

longmath::LongInt ToLongInt(ByteView bytes, std::uint32_t bits) {
  // The core's lengths are 16-bit bit counts; nothing longer is a key or a curve value.
  if (bits > longmath::LongInt::kCapacityBits || bytes.size() > longmath::LongInt::kCapacityBytes)
    throw gostcrypto::CryptoException(0x12);
  longmath::LongInt value(static_cast<std::uint16_t>(bits));
  value.SetFromBuffer(bytes.data(), bytes.size());
  return value;
}

void LoadCurve(gostcrypto::CryptoEngine& engine, const CAsymmetric4145Params& params) {
  engine.m = params.m;
  engine.k = params.k;
  engine.j = params.j;
  engine.l = params.l;
  engine.A = params.a;
  engine.B = ToLongInt(params.b.View(), params.m);
  engine.n = ToLongInt(params.n);
  engine.Px = ToLongInt(params.p.GetX().View(), params.m);
  engine.Py = ToLongInt(params.p.GetY().View(), params.m);
}

void LoadCurve(gostcrypto::CryptoEngine& engine, const NamedCurve& curve) {
  const auto number = [&](std::string_view hex) {
    return ToLongInt(LittleEndianFromHex(hex, curve.ByteLength()), curve.m);
  };
  engine.m = curve.m;
  engine.k = curve.k;
  engine.j = curve.j;
  engine.l = curve.l;
  engine.A = curve.a;
  engine.B = number(curve.b);
  engine.n = number(curve.n);
  engine.Px = number(curve.x);
  engine.Py = number(curve.y);
}

}  // namespace tavrpki::params

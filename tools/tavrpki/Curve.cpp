#include "Curve.h"

#include <vector>

#include "Command.h"
#include "DkeOption.h"

namespace tavrpki::tool {
namespace {

using Getter = void (Kernel::CKernelAsymmetricParams::*)(unsigned char*, unsigned long*, unsigned long*) const;

longmath::LongInt Number(const Kernel::CKernelAsymmetricParams& params, Getter get, std::size_t bits) {
  unsigned long length = 0, bitLength = 0;
  (params.*get)(nullptr, &length, &bitLength);
  std::vector<unsigned char> bytes(length);
  (params.*get)(bytes.data(), &length, &bitLength);
  return ToLongInt(bytes.data(), length, bits == 0 ? bitLength : bits);
}

}  // namespace

const params::NamedCurve& NamedCurveOption(const std::string& oid, const char* listCommand) {
  const params::NamedCurve* curve = params::FindNamedCurve(oid);
  if (curve == nullptr) throw UsageError{"no named curve " + oid + " (see 'tavrpki " + listCommand + "')"};
  return *curve;
}

Kernel::CKernelAsymmetricParams CurveParams(const Kernel::CKernel& kernel, const params::NamedCurve& curve) {
  SBox dke = DkeNo1();
  return kernel.GenerateAsymmetric4145Params(std::string(curve.oid).c_str(), dke.data());
}

longmath::LongInt ToLongInt(const unsigned char* bytes, std::size_t size, std::size_t bits) {
  if (bits > longmath::LongInt::kCapacityBits || size > longmath::LongInt::kCapacityBytes)
    throw UsageError{"a number longer than the curve allows"};
  longmath::LongInt value(static_cast<std::uint16_t>(bits));
  value.SetFromBuffer(bytes, size);
  return value;
}

CurveNumbers::CurveNumbers(const Kernel::CKernelAsymmetricParams& params)
    : m(static_cast<std::uint32_t>(params.GetAsymmetric_CurrentLength())),
      k(static_cast<std::uint32_t>(params.GetAsymmetric_k())),
      j(static_cast<std::uint32_t>(params.GetAsymmetric_j())),
      l(static_cast<std::uint32_t>(params.GetAsymmetric_l())),
      a(static_cast<std::uint32_t>(params.GetAsymmetric_Curve_A())),
      b(Number(params, &Kernel::CKernelAsymmetricParams::GetAsymmetric_Curve_B, m)),
      n(Number(params, &Kernel::CKernelAsymmetricParams::GetAsymmetric_Curve_n, 0)),
      px(Number(params, &Kernel::CKernelAsymmetricParams::GetAsymmetric_BasePointX, m)),
      py(Number(params, &Kernel::CKernelAsymmetricParams::GetAsymmetric_BasePointY, m)) {}

void CurveNumbers::Load(gostcrypto::CryptoEngine& engine) const {
  engine.m = m;
  engine.k = k;
  engine.j = j;
  engine.l = l;
  engine.A = a;
  engine.B = b;
  engine.n = n;
  engine.Px = px;
  engine.Py = py;
}

}  // namespace tavrpki::tool

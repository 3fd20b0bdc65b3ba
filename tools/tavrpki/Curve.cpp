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

void LoadEngine(gostcrypto::CryptoEngine& engine, const Kernel::CKernelAsymmetricParams& params) {
  const auto m = static_cast<std::uint32_t>(params.GetAsymmetric_CurrentLength());
  engine.m = m;
  engine.k = static_cast<std::uint32_t>(params.GetAsymmetric_k());
  engine.j = static_cast<std::uint32_t>(params.GetAsymmetric_j());
  engine.l = static_cast<std::uint32_t>(params.GetAsymmetric_l());
  engine.A = static_cast<std::uint32_t>(params.GetAsymmetric_Curve_A());
  engine.B = Number(params, &Kernel::CKernelAsymmetricParams::GetAsymmetric_Curve_B, m);
  engine.n = Number(params, &Kernel::CKernelAsymmetricParams::GetAsymmetric_Curve_n, 0);
  engine.Px = Number(params, &Kernel::CKernelAsymmetricParams::GetAsymmetric_BasePointX, m);
  engine.Py = Number(params, &Kernel::CKernelAsymmetricParams::GetAsymmetric_BasePointY, m);
}

}  // namespace tavrpki::tool

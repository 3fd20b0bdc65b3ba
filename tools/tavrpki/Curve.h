// The named curves for the commands that drive the DSTU 4145 engine directly: the
// numbers come from the library's exported parameter class and are fed to the
// crypto core's public engine.
#pragma once

#include <string>

#include "crypto/params/NamedCurves.h"
#include "gostcrypto/CryptoEngine.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAsymmetricParams.h"

namespace tavrpki::tool {

// The table entry of `oid`; a UsageError naming `listCommand` when there is none.
const params::NamedCurve& NamedCurveOption(const std::string& oid, const char* listCommand);

// The parameter set of the named curve (S-box DKE No. 1) through the kernel.
Kernel::CKernelAsymmetricParams CurveParams(const Kernel::CKernel& kernel, const params::NamedCurve& curve);

// The curve's numbers as the engine takes them, read once from the parameters.
struct CurveNumbers {
  explicit CurveNumbers(const Kernel::CKernelAsymmetricParams& params);
  // Stores the curve in `engine`, in the order the engine documents.
  void Load(gostcrypto::CryptoEngine& engine) const;

  std::uint32_t m, k, j, l, a;
  longmath::LongInt b, n, px, py;
};

inline void LoadEngine(gostcrypto::CryptoEngine& engine, const Kernel::CKernelAsymmetricParams& params) {
  CurveNumbers(params).Load(engine);
}

// Bytes least significant first as a core value of `bits` bits.
longmath::LongInt ToLongInt(const unsigned char* bytes, std::size_t size, std::size_t bits);

}  // namespace tavrpki::tool

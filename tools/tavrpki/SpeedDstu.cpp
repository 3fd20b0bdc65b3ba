// tavrpki speed dstu [--curve OID]: DSTU 4145 operations per second of this thread's
// CPU time, each building an engine and loading the curve as the kernel does (the
// curve's numbers come from the library's exported parameter class).
// Lines: dstu-{sign,verify,verify-freshkey,keygen}-<OID> <ops> ops/s <cpu path>.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "Curve.h"
#include "gostcrypto/CpuPath.h"
#include "gostcrypto/CryptoEngine.h"
#include "gostcrypto/RandomRetry.h"

namespace tavrpki::tool {
namespace {

using gostcrypto::CryptoEngine;
using gostcrypto::CryptoException;
using longmath::LongInt;

class Random {
 public:
  LongInt Next(std::uint32_t bits) {
    std::uint8_t bytes[128];
    for (auto& b : bytes) {
      m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
      b = static_cast<std::uint8_t>(m_state >> 56);
    }
    LongInt value(static_cast<std::uint16_t>(bits));
    value.SetFromBuffer(bytes, sizeof bytes);
    return value;
  }

  template <class Body>
  auto Retry(std::uint32_t bits, Body&& body) {
    return gostcrypto::WithRandomRetry([&] { return Next(bits); }, body);
  }

 private:
  std::uint64_t m_state = 0x9E3779B97F4A7C15ULL;
};

void Report(const char* what, const params::NamedCurve& c, double seconds) {
  std::printf("dstu-%s-%.*s %.0f ops/s %s\n", what, static_cast<int>(c.oid.size()), c.oid.data(),
              1.0 / seconds, gostcrypto::ActiveCpuPathNames().field);
  std::fflush(stdout);
}

void Measure(const Kernel::CKernel& kernel, const params::NamedCurve& c) {
  const CurveNumbers curve(CurveParams(kernel, c));
  Random random;
  LongInt hash(256);
  std::uint8_t hashBytes[32];
  for (int i = 0; i < 32; ++i) hashBytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
  hash.SetFromBuffer(hashBytes, sizeof hashBytes);

  CryptoEngine setup;
  curve.Load(setup);
  struct Signer {
    LongInt d, x, y, compressed, signature;
  };
  std::vector<Signer> signers(16);
  for (Signer& s : signers) {
    s.d = random.Retry(c.m, [&](const LongInt& r) { return setup.GetPrivateKey(r); });
    setup.GetPublicKey(s.d, s.x, s.y);
    s.compressed = setup.CompressPoint(s.x, s.y);
    s.signature = random.Retry(c.m, [&](const LongInt& r) { return setup.Sign(hash, s.d, r); });
  }
  std::size_t next = 0;

  Report("sign", c, MeasureCpuSeconds([&] {
           CryptoEngine engine;
           curve.Load(engine);
           random.Retry(c.m, [&](const LongInt& r) { return engine.Sign(hash, signers[0].d, r); });
         }));
  Report("verify", c, MeasureCpuSeconds([&] {
           CryptoEngine engine;
           curve.Load(engine);
           if (!engine.CheckSign(hash, signers[0].signature, signers[0].x, signers[0].y)) std::abort();
         }));
  Report("verify-freshkey", c, MeasureCpuSeconds([&] {
           const Signer& s = signers[next++ % signers.size()];
           CryptoEngine engine;
           curve.Load(engine);
           LongInt x, y;
           engine.DecompressPoint(s.compressed, x, y);
           if (!engine.CheckPublicKey(x, y) || !engine.CheckSign(hash, s.signature, x, y)) std::abort();
         }));
  Report("keygen", c, MeasureCpuSeconds([&] {
           CryptoEngine engine;
           curve.Load(engine);
           LongInt x, y;
           const LongInt d = random.Retry(c.m, [&](const LongInt& r) { return engine.GetPrivateKey(r); });
           engine.GetPublicKey(d, x, y);
         }));
}

int Run(const Args& args) {
  const Options options(args, {"curve"}, {});
  const Kernel::CKernel kernel;
  if (const auto oid = options.Value("curve")) {
    Measure(kernel, NamedCurveOption(*oid, "dstu curves"));
  } else {
    for (const params::NamedCurve& c : params::NamedCurves()) Measure(kernel, c);
  }
  return 0;
}

const SpeedRegistration kSpeedDstu{"dstu", "[--curve OID]", &Run};

}  // namespace
}  // namespace tavrpki::tool

// DSTU 4145 signing and verification on the 257-bit polynomial curve: through the
// whole kernel path (argument checks, reseeding the generator, engine set-up per
// call, the caller-buffer copy) against the core engine alone. CPU time, one thread.
// Logging is switched off, as the audit log writes a file line per signature.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/objects/CKeyPair.h"
#include "crypto/params/CurveEngine.h"
#include "crypto/params/Dke.h"
#include "gostcrypto/CryptoEngine.h"
#include "gostcrypto/EntropyCollect.h"
#include "gostcrypto/RndEngine.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/HandleCast.h"
#include "tests/support/QuietConfiguration.h"

namespace {

constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";

// Configuration without logging, before the first kernel reads it.
const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-kernel-dstu-bench.reg");


struct Setup {
  Kernel::CKernel kernel;
  Kernel::CKernelAllParams params{kernel};
  Kernel::CKernelDoubleKeyPair keys{kernel, false};
  std::array<unsigned char, 32> hash{};
  std::vector<unsigned char> signature;

  Setup() {
    tavrpki::params::Dke dke = tavrpki::params::kDke1;
    params.SetRandomSBox(dke.data());
    params.SetCryptSBox(dke.data());
    params.SetSignParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    params.SetCryptParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    keys = kernel.Generate4145DoubleKeyPair(params, false);
    for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<unsigned char>(i * 29 + 3);
    unsigned long length = 200;
    signature.resize(length);
    kernel.EnsignHash(hash.data(), signature.data(), &length, keys, params);
    signature.resize(length);
  }

  const tavrpki::CKeyPair& SignPair() const {
    return Kernel::KeysOf(keys).GetSignPair();
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

// The engine alone: one engine, loaded once; the random value is varied by hand.
struct RawEngine {
  gostcrypto::CryptoEngine engine;
  longmath::LongInt d, x, y, h, s;

  explicit RawEngine(const Setup& setup) {
    const auto& pair = setup.SignPair();
    const auto& p = pair.GetParams();
    using tavrpki::params::ToLongInt;
    tavrpki::params::LoadCurve(engine, p);
    d = ToLongInt(pair.GetPrivateKey().GetValue());
    x = ToLongInt(pair.GetPublicKey().GetX().GetValue());
    y = ToLongInt(pair.GetPublicKey().GetY().GetValue());
    h = longmath::LongInt(256);
    h.SetFromBuffer(setup.hash.data(), setup.hash.size());
    s = longmath::LongInt(static_cast<std::uint16_t>(setup.signature.size() * 8));
    s.SetFromBuffer(setup.signature.data(), setup.signature.size());
  }
};

// The engine alone: loaded once, 128 random bytes per signature from a generator
// that is never reseeded (the kernel reseeds before every signature).
void EngineSign257(benchmark::State& state) {
  RawEngine raw(Shared());
  const std::array<unsigned char, 32> key{7, 7, 7};
  const std::array<unsigned char, 8> seed{1};
  gostcrypto::RndEngine generator(nullptr, key.data(), seed.data(), nullptr);
  std::array<unsigned char, 128> random{};
  for (auto _ : state) {
    generator.Generate(random.data(), random.size());
    longmath::LongInt e(257);
    e.SetFromBuffer(random.data(), random.size());
    benchmark::DoNotOptimize(raw.engine.Sign(raw.h, raw.d, e, 0));
  }
}

void EngineVerify257(benchmark::State& state) {
  RawEngine raw(Shared());
  for (auto _ : state) benchmark::DoNotOptimize(raw.engine.CheckSign(raw.h, raw.s, raw.x, raw.y, 0));
}

void KernelEnsignHash257(benchmark::State& state) {
  Setup& setup = Shared();
  std::array<unsigned char, 200> signature{};
  for (auto _ : state) {
    unsigned long length = signature.size();
    setup.kernel.EnsignHash(setup.hash.data(), signature.data(), &length, setup.keys, setup.params);
    benchmark::DoNotOptimize(signature.data());
  }
}

void KernelVerifyHashSignature257(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    benchmark::DoNotOptimize(setup.kernel.VerifyHashSignature(
        setup.hash.data(), setup.signature.data(), static_cast<unsigned long>(setup.signature.size()),
        setup.keys));
  }
}

// The kernel's share of a signature, piece by piece: the reseed as EnsignHash
// makes it (collection, then the generator's set-up), and its first 128 bytes.
void ReseedCollect(benchmark::State& state) {
  std::array<unsigned char, gostcrypto::kEntropyBufferSize> entropy{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(gostcrypto::TAVRCLCRNGEntropyDataCollect(entropy.data(), tavrpki::params::kDke1.data(),
                                                                      nullptr, 0, 0));
  }
}

void ReseedGeneratorSetUp(benchmark::State& state) {
  std::array<unsigned char, gostcrypto::kEntropyBufferSize> entropy{};
  gostcrypto::TAVRCLCRNGEntropyDataCollect(entropy.data(), nullptr, nullptr, 0, 0);
  const std::array<unsigned char, 8> seed{1, 2, 3};
  const auto* dke = tavrpki::params::kDke1.data();
  for (auto _ : state) {
    gostcrypto::RndEngine generator(entropy.data(), entropy.size(), dke, nullptr, seed.data(), dke);
    benchmark::DoNotOptimize(&generator);
  }
}

void ReseedThenDraw128(benchmark::State& state) {
  Setup& setup = Shared();
  tavrpki::params::Dke dke = tavrpki::params::kDke1;
  std::array<unsigned char, 128> random{};
  for (auto _ : state) {
    setup.kernel.InitRandom(dke.data(), dke.data(), nullptr);
    setup.kernel.GenerateRandom(random.size(), random.data());
    benchmark::DoNotOptimize(random.data());
  }
}

BENCHMARK(ReseedCollect)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReseedGeneratorSetUp)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReseedThenDraw128)->Unit(benchmark::kMicrosecond);
BENCHMARK(EngineSign257)->Unit(benchmark::kMicrosecond);
BENCHMARK(KernelEnsignHash257)->Unit(benchmark::kMicrosecond);
BENCHMARK(EngineVerify257)->Unit(benchmark::kMicrosecond);
BENCHMARK(KernelVerifyHashSignature257)->Unit(benchmark::kMicrosecond);

}  // namespace

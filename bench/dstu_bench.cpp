// DSTU 4145-2002 through CryptoEngine as the kernel drives it: every operation
// builds an engine and loads the curve (the per-curve tables come from the cache).
// Figures per named curve: sign, verify, verify with a fresh public key each time
// (decompression and key check included), key generation (d, then Q = -d P).
// TAVRPKI_FORCE_PORTABLE=1 measures the portable field kernels.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "crypto/params/CurveEngine.h"
#include "crypto/params/NamedCurves.h"
#include "gostcrypto/CryptoEngine.h"
#include "gostcrypto/RandomRetry.h"

namespace {

using gostcrypto::CryptoEngine;
using longmath::LongInt;
using tavrpki::params::NamedCurve;

// 128 fresh pseudo-random bytes per call, as the kernel's generator hands them out.
class Random {
 public:
  LongInt Next(std::uint32_t bits) {
    std::array<std::uint8_t, 128> bytes;
    for (auto& b : bytes) {
      m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
      b = static_cast<std::uint8_t>(m_state >> 56);
    }
    LongInt value(static_cast<std::uint16_t>(bits));
    value.SetFromBuffer(bytes.data(), bytes.size());
    return value;
  }

 private:
  std::uint64_t m_state = 0x2545F4914F6CDD1DULL;
};

// Calls body(random) until the core accepts the random value (code 2: draw again).
template <class Body>
auto WithRetry(Random& random, std::uint32_t bits, Body&& body) {
  return gostcrypto::WithRandomRetry([&] { return random.Next(bits); }, body);
}

struct KeyPair {
  LongInt d, x, y;
};

KeyPair MakeKey(const NamedCurve& c, Random& random) {
  CryptoEngine engine;
  tavrpki::params::LoadCurve(engine, c);
  KeyPair key;
  key.d = WithRetry(random, c.m, [&](const LongInt& r) { return engine.GetPrivateKey(r); });
  engine.GetPublicKey(key.d, key.x, key.y);
  return key;
}

LongInt Hash(std::uint8_t seed) {
  std::array<std::uint8_t, 32> bytes;
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(seed * 31 + i * 7);
  LongInt value(256);
  value.SetFromBuffer(bytes.data(), bytes.size());
  return value;
}

void Sign(benchmark::State& state, const NamedCurve* c) {
  Random random;
  const KeyPair key = MakeKey(*c, random);
  const LongInt hash = Hash(1);
  for (auto _ : state) {
    CryptoEngine engine;
    tavrpki::params::LoadCurve(engine, *c);
    benchmark::DoNotOptimize(
        WithRetry(random, c->m, [&](const LongInt& r) { return engine.Sign(hash, key.d, r); }));
  }
}

void Verify(benchmark::State& state, const NamedCurve* c) {
  Random random;
  const KeyPair key = MakeKey(*c, random);
  const LongInt hash = Hash(2);
  CryptoEngine signer;
  tavrpki::params::LoadCurve(signer, *c);
  const LongInt sig = WithRetry(random, c->m, [&](const LongInt& r) { return signer.Sign(hash, key.d, r); });
  for (auto _ : state) {
    CryptoEngine engine;
    tavrpki::params::LoadCurve(engine, *c);
    if (!engine.CheckSign(hash, sig, key.x, key.y)) state.SkipWithError("signature refused");
  }
}

// A new signer for every verification: the public key arrives compressed (as in a
// certificate), is decompressed and checked, then the signature is verified.
void VerifyFreshKey(benchmark::State& state, const NamedCurve* c) {
  Random random;
  const LongInt hash = Hash(3);
  struct Signed {
    LongInt compressed, signature;
  };
  std::vector<Signed> signers;
  for (int i = 0; i < 64; ++i) {
    const KeyPair key = MakeKey(*c, random);
    CryptoEngine engine;
    tavrpki::params::LoadCurve(engine, *c);
    signers.push_back({engine.CompressPoint(key.x, key.y),
                       WithRetry(random, c->m, [&](const LongInt& r) { return engine.Sign(hash, key.d, r); })});
  }
  std::size_t next = 0;
  for (auto _ : state) {
    const Signed& s = signers[next++ % signers.size()];
    CryptoEngine engine;
    tavrpki::params::LoadCurve(engine, *c);
    LongInt x, y;
    engine.DecompressPoint(s.compressed, x, y);
    if (!engine.CheckPublicKey(x, y) || !engine.CheckSign(hash, s.signature, x, y))
      state.SkipWithError("signature refused");
  }
}

void KeyGen(benchmark::State& state, const NamedCurve* c) {
  Random random;
  for (auto _ : state) {
    CryptoEngine engine;
    tavrpki::params::LoadCurve(engine, *c);
    LongInt x, y;
    const LongInt d = WithRetry(random, c->m, [&](const LongInt& r) { return engine.GetPrivateKey(r); });
    engine.GetPublicKey(d, x, y);
    benchmark::DoNotOptimize(x);
  }
}

const bool kRegistered = [] {
  for (const NamedCurve& c : tavrpki::params::NamedCurves()) {
    const std::string name(c.name.substr(9));  // "257PB"
    benchmark::RegisterBenchmark(("Sign/" + name).c_str(), Sign, &c);
    benchmark::RegisterBenchmark(("Verify/" + name).c_str(), Verify, &c);
    benchmark::RegisterBenchmark(("VerifyFreshKey/" + name).c_str(), VerifyFreshKey, &c);
    benchmark::RegisterBenchmark(("KeyGen/" + name).c_str(), KeyGen, &c);
  }
  return true;
}();

}  // namespace

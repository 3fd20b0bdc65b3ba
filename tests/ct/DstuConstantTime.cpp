// Constant-time check of DSTU 4145 key generation and signing, run under valgrind's
// memcheck: the random values and the private key are marked undefined, so every
// branch and every memory index that depends on them is reported (and the run fails
// with --error-exitcode). The core declassifies what becomes public (the signature,
// the public key, the accept/reject bit of a random draw) with Declassify(), which
// this build turns into VALGRIND_MAKE_MEM_DEFINED.
#include <valgrind/memcheck.h>

#include <cstdio>

#include "gostcrypto/CryptoEngine.h"
#include "support/DstuCurves.h"

namespace {

using gostcrypto::CryptoEngine;
using gostcrypto::CryptoException;
using longmath::LongInt;

// A pentanomial, a trinomial and a normal-basis curve (its conversions run on secrets too).
const char* const kCurves[] = {"1.2.804.2.1.1.1.1.3.1.1.2.0", "1.2.804.2.1.1.1.1.3.1.1.2.6",
                               "1.2.804.2.1.1.1.1.3.1.2.2.4"};

LongInt SecretRandom(unsigned m, std::uint64_t& state) {
  std::uint8_t bytes[128];
  for (auto& b : bytes) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    b = static_cast<std::uint8_t>(state >> 56);
  }
  LongInt value(static_cast<std::uint16_t>(m));
  value.SetFromBuffer(bytes, sizeof bytes);
  VALGRIND_MAKE_MEM_UNDEFINED(value.GetData(), LongInt::kCapacityBytes);
  return value;
}

template <class Body>
auto Retry(unsigned m, std::uint64_t& state, Body&& body) {
  for (;;) {
    try {
      return body(SecretRandom(m, state));
    } catch (const CryptoException& e) {
      if (e.GetCode() != CryptoException::kBadRandom) throw;
    }
  }
}

}  // namespace

int main() {
  std::uint64_t state = 42;
  for (const char* oid : kCurves) {
    const tavrpki::test::dstu::NamedCurve& c = tavrpki::test::dstu::CurveByOid(oid);
    CryptoEngine engine;
    tavrpki::test::dstu::LoadCurve(engine, c.params);
    LongInt hash(256);
    std::uint8_t hashBytes[32];
    for (int i = 0; i < 32; ++i) hashBytes[i] = static_cast<std::uint8_t>(i);
    hash.SetFromBuffer(hashBytes, sizeof hashBytes);

    for (int round = 0; round < 3; ++round) {
      LongInt d = Retry(engine.m, state, [&](const LongInt& r) { return engine.GetPrivateKey(r); });
      VALGRIND_MAKE_MEM_UNDEFINED(d.GetData(), LongInt::kCapacityBytes);
      LongInt x, y;
      engine.GetPublicKey(d, x, y);
      if (!engine.CheckPrivateKey(d, x, y)) {
        std::fprintf(stderr, "%s: key pair does not check\n", c.name.c_str());
        return 1;
      }
      const LongInt signature = Retry(engine.m, state, [&](const LongInt& r) { return engine.Sign(hash, d, r); });
      if (!engine.CheckSign(hash, signature, x, y)) {
        std::fprintf(stderr, "%s: signature does not verify\n", c.name.c_str());
        return 1;
      }
    }
    std::printf("%s: key generation and signing ran without secret-dependent branches or indexes\n", c.name.c_str());
  }
  return 0;
}

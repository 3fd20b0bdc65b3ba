// Constant-time check of DSTU 4145 key generation and signing, run under valgrind's
// memcheck: the random values and the private key are marked undefined, so every
// branch and every memory index that depends on them is reported (and the run fails
// with --error-exitcode). The core declassifies what becomes public (the signature,
// the public key, the accept/reject bit of a random draw) with Declassify(), which
// this build turns into VALGRIND_MAKE_MEM_DEFINED.
#include <valgrind/memcheck.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gostcrypto/CryptoEngine.h"

namespace {

using gostcrypto::CryptoEngine;
using gostcrypto::CryptoException;
using longmath::LongInt;

struct Curve {
  const char* name;
  unsigned m, k, j, l, a;
  const char *b, *n, *x, *y;
};

// DSTU4145-163PB, -257PB and -431ONB (named-curves.txt).
const Curve kCurves[] = {
    {"163PB", 163, 3, 6, 7, 1, "5FF6108462A2DC8210AB403925E638A19C1455D21",
     "400000000000000000002BEC12BE2262D39BCF14D", "2E2F85F5DD74CE983A5C4237229DAF8A3F35823BE",
     "3826F008A8C51D7B95284D9D03FF0E00CE2CD723A"},
    {"257PB", 257, 12, 0, 0, 0, "1CEF494720115657E18F938D7A7942394FF9425C1458C57861F9EEA6ADBE3BE10",
     "800000000000000000000000000000006759213AF182E987D3E17714907D470D",
     "2A29EF207D0E9B6C55CD260B306C7E007AC491CA1B10C62334A9E8DCD8D20FB7",
     "10686D41FF744D4449FCCF6D8EEA03102E6812C93A9D60B978B702CF156D814EF"},
};

LongInt Number(const char* hex, unsigned m) {
  const std::size_t bytes = (m + 7) / 8, digits = std::strlen(hex);
  std::vector<std::uint8_t> le(bytes, 0);
  for (std::size_t i = 0; i < digits; ++i) {
    const char c = hex[digits - 1 - i];
    const int v = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    le[i / 2] |= static_cast<std::uint8_t>(v << (4 * (i % 2)));
  }
  LongInt value(static_cast<std::uint16_t>(m));
  value.SetFromBuffer(le.data(), le.size());
  return value;
}

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
  for (const Curve& c : kCurves) {
    CryptoEngine engine;
    engine.m = c.m;
    engine.k = c.k;
    engine.j = c.j;
    engine.l = c.l;
    engine.A = c.a;
    engine.B = Number(c.b, c.m);
    engine.n = Number(c.n, c.m);
    engine.Px = Number(c.x, c.m);
    engine.Py = Number(c.y, c.m);
    LongInt hash(256);
    std::uint8_t hashBytes[32];
    for (int i = 0; i < 32; ++i) hashBytes[i] = static_cast<std::uint8_t>(i);
    hash.SetFromBuffer(hashBytes, sizeof hashBytes);

    for (int round = 0; round < 3; ++round) {
      LongInt d = Retry(c.m, state, [&](const LongInt& r) { return engine.GetPrivateKey(r); });
      VALGRIND_MAKE_MEM_UNDEFINED(d.GetData(), LongInt::kCapacityBytes);
      LongInt x, y;
      engine.GetPublicKey(d, x, y);
      if (!engine.CheckPrivateKey(d, x, y)) {
        std::fprintf(stderr, "%s: key pair does not check\n", c.name);
        return 1;
      }
      const LongInt signature = Retry(c.m, state, [&](const LongInt& r) { return engine.Sign(hash, d, r); });
      if (!engine.CheckSign(hash, signature, x, y)) {
        std::fprintf(stderr, "%s: signature does not verify\n", c.name);
        return 1;
      }
    }
    std::printf("%s: key generation and signing ran without secret-dependent branches or indexes\n", c.name);
  }
  return 0;
}

// tavrpki dstu: DSTU 4145-2002 by hand on the named curves.
//   dstu keygen --curve OID                              priv=<d, big-endian> pub=<compressed Q>
//   dstu sign --curve OID --priv HEX --hash HEX           signature octets (r || s, little-endian)
//   dstu verify --curve OID --pub HEX --hash HEX --sig HEX   "ok" (exit 0) or "bad signature" (exit 1)
//   dstu curves                                          the named curves and their OIDs
// The hash is the 32 bytes a GOST 34.311 hash outputs; public keys are the
// ceil(m/8) bytes of the compressed point and signatures r || s, each ceil(bitlen(n)/8)
// bytes, in the byte order of certificates. Other lengths are refused.
#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "Command.h"
#include "Curve.h"
#include "gostcrypto/CryptoEngine.h"
#include "gostcrypto/RandomRetry.h"
#include "gostcrypto/Wipe.h"

namespace tavrpki::tool {
namespace {

using gostcrypto::CryptoEngine;
using gostcrypto::CryptoException;
using longmath::LongInt;

constexpr std::size_t kHashSize = 32;

// 128 bytes from the operating system's generator, as the kernel draws them.
LongInt SystemRandom(std::uint32_t bits) {
  std::random_device device;
  std::array<std::uint8_t, 128> bytes;
  WipeOnExit guard(bytes.data(), bytes.size());  // the signing secret is made from these
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    const std::uint32_t word = device();
    for (std::size_t k = 0; k < 4; ++k) bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
  }
  return ToLongInt(bytes.data(), bytes.size(), bits);
}

// Draws until the core accepts the random value.
template <class Body>
auto WithRandom(std::uint32_t bits, Body&& body) {
  return gostcrypto::WithRandomRetry([&] { return SystemRandom(bits); }, body);
}

std::string Hex(const LongInt& value) { return ToHex(value.GetData(), value.GetByteLength()); }

// ceil(bitlen(n) / 8): the length of each half of a signature.
std::size_t OrderBytes(const CryptoEngine& engine) {
  std::size_t bytes = engine.n.GetByteLength();
  while (bytes > 0 && engine.n.GetData()[bytes - 1] == 0) --bytes;
  return bytes;
}

// What the core's codes mean for these commands.
int CoreError(const char* what, const CryptoException& e) {
  const char* words = e.GetCode() == 0x11   ? "the key is not a key of this curve"
                      : e.GetCode() == 0x12 ? "a value is longer than the curve allows"
                      : e.GetCode() == 0x10 ? "the curve parameters describe no usable curve"
                                            : "the DSTU 4145 core refused";
  std::fprintf(stderr, "tavrpki: dstu %s: %s (core code 0x%x)\n", what, words, e.GetCode());
  return 2;
}

struct Engine {
  Kernel::CKernel kernel;
  CryptoEngine engine;

  explicit Engine(const Options& options) {
    LoadEngine(engine, CurveParams(kernel, NamedCurveOption(options.Required("curve"), "dstu curves")));
  }
};

std::vector<std::uint8_t> HashOption(const Options& options) {
  const auto hash = ParseHex(options.Required("hash"), "--hash");
  if (hash.size() != kHashSize) throw UsageError{"--hash: a GOST 34.311 hash is 32 bytes (64 hex digits)"};
  return hash;
}

int Keygen(const Options& options) {
  Engine e(options);
  const LongInt d = WithRandom(e.engine.m, [&](const LongInt& r) { return e.engine.GetPrivateKey(r); });
  LongInt x, y;
  e.engine.GetPublicKey(d, x, y);
  std::vector<std::uint8_t> big(d.GetData(), d.GetData() + d.GetByteLength());
  std::reverse(big.begin(), big.end());
  std::printf("priv=%s pub=%s\n", ToHex(big).c_str(), Hex(e.engine.CompressPoint(x, y)).c_str());
  SecureWipe(big.data(), big.size());
  return 0;
}

int Sign(const Options& options) {
  Engine e(options);
  std::vector<std::uint8_t> priv = ParseHex(options.Required("priv"), "--priv");
  WipeOnExit guard(priv.data(), priv.size());
  while (priv.size() > 1 && priv.front() == 0) priv.erase(priv.begin());  // leading zeros say nothing
  if (priv.empty() || priv.size() > OrderBytes(e.engine))
    throw UsageError{"--priv: the private key is at most " + std::to_string(OrderBytes(e.engine)) +
                     " bytes on this curve"};
  std::reverse(priv.begin(), priv.end());  // given big-endian, held little-endian
  const LongInt d = ToLongInt(priv.data(), priv.size(), 8 * priv.size());
  const auto hashBytes = HashOption(options);
  const LongInt hash = ToLongInt(hashBytes.data(), hashBytes.size(), 8 * hashBytes.size());
  LongInt x, y;
  try {
    e.engine.GetPublicKey(d, x, y);  // refuses d = 0 and d >= n
  } catch (const CryptoException&) {
    throw UsageError{"--priv: the private key must be a number from 1 to n - 1 of the curve"};
  }
  const LongInt signature = WithRandom(e.engine.m, [&](const LongInt& r) { return e.engine.Sign(hash, d, r); });
  std::printf("%s\n", Hex(signature).c_str());
  return 0;
}

int Verify(const Options& options) {
  Engine e(options);
  const auto pub = ParseHex(options.Required("pub"), "--pub");
  const auto hashBytes = HashOption(options);
  const auto sigBytes = ParseHex(options.Required("sig"), "--sig");
  const std::size_t fieldBytes = (e.engine.m + 7) / 8;
  if (pub.size() != fieldBytes)
    throw UsageError{"--pub: a compressed public key is " + std::to_string(fieldBytes) + " bytes on this curve"};
  if (sigBytes.size() != 2 * OrderBytes(e.engine))
    throw UsageError{"--sig: a signature is " + std::to_string(2 * OrderBytes(e.engine)) + " bytes on this curve"};
  LongInt x, y;
  bool ok = false;
  try {
    e.engine.DecompressPoint(ToLongInt(pub.data(), pub.size(), e.engine.m), x, y);
    ok = e.engine.CheckPublicKey(x, y) &&
         e.engine.CheckSign(ToLongInt(hashBytes.data(), hashBytes.size(), 8 * hashBytes.size()),
                            ToLongInt(sigBytes.data(), sigBytes.size(), 8 * sigBytes.size()), x, y);
  } catch (const CryptoException&) {
    ok = false;  // a public key that is no point of the curve verifies nothing
  }
  std::puts(ok ? "ok" : "bad signature");
  return ok ? 0 : 1;
}

int Curves() {
  for (const params::NamedCurve& c : params::NamedCurves()) {
    std::printf("%-30.*s %.*s m=%u\n", static_cast<int>(c.oid.size()), c.oid.data(),
                static_cast<int>(c.name.size()), c.name.data(), c.m);
  }
  return 0;
}

int Run(const Args& args) {
  if (args.empty()) throw UsageError{"say keygen, sign, verify or curves"};
  const std::string what = args[0];
  const Options options(Args(args.begin() + 1, args.end()), {"curve", "priv", "hash", "pub", "sig"}, {});
  try {
    if (what == "keygen") return Keygen(options);
    if (what == "sign") return Sign(options);
    if (what == "verify") return Verify(options);
    if (what == "curves") return Curves();
  } catch (const CryptoException& e) {
    return CoreError(what.c_str(), e);
  }
  throw UsageError{"unknown dstu operation '" + what + "'"};
}

const CommandRegistration kDstu{"dstu", "keygen|sign|verify|curves [--curve OID ...]",
                                "DSTU 4145-2002 keys and signatures on the named curves", &Run};

}  // namespace
}  // namespace tavrpki::tool

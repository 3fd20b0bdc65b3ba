// tavrpki dstu: DSTU 4145-2002 by hand on the named curves.
//   dstu keygen --curve OID                              priv=<d, big-endian> pub=<compressed Q>
//   dstu sign --curve OID --priv HEX --hash HEX           signature octets (r || s, little-endian)
//   dstu verify --curve OID --pub HEX --hash HEX --sig HEX   "ok" (exit 0) or "bad signature" (exit 1)
//   dstu curves                                          the named curves and their OIDs
// The hash is taken as the bytes given (the 32 bytes a GOST 34.311 hash outputs);
// public keys and signatures are in the byte order of certificates.
#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string>

#include "gostcrypto/Wipe.h"
#include "crypto/params/CurveEngine.h"
#include "crypto/params/NamedCurves.h"
#include "gostcrypto/CryptoEngine.h"
#include "tools/tavrpki/Command.h"

namespace tavrpki::tool {

// Shared with SpeedDstu.cpp.
const params::NamedCurve& DstuCurve(const std::string& oid);

namespace {

using gostcrypto::CryptoEngine;
using gostcrypto::CryptoException;
using longmath::LongInt;

LongInt FromBytes(const std::vector<std::uint8_t>& bytes, std::size_t bits, const char* what) {
  if (bytes.size() > LongInt::kCapacityBytes) throw UsageError{std::string(what) + ": too long"};
  LongInt value(static_cast<std::uint16_t>(bits));
  value.SetFromBuffer(bytes.data(), bytes.size());
  return value;
}

// 128 bytes from the operating system's generator, as the kernel draws them.
LongInt SystemRandom(std::uint32_t bits) {
  std::random_device device;
  std::array<std::uint8_t, 128> bytes;
  WipeOnExit guard(bytes.data(), bytes.size());  // the signing secret is made from these
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    const std::uint32_t word = device();
    for (std::size_t k = 0; k < 4; ++k) bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
  }
  LongInt value(static_cast<std::uint16_t>(bits));
  value.SetFromBuffer(bytes.data(), bytes.size());
  return value;
}

// Draws until the core accepts the random value (code 2 asks for another draw).
template <class Body>
auto WithRandom(std::uint32_t bits, Body&& body) {
  for (int attempt = 0;; ++attempt) {
    try {
      return body(SystemRandom(bits));
    } catch (const CryptoException& e) {
      if (e.GetCode() != CryptoException::kBadRandom || attempt >= 100) throw;
    }
  }
}

std::string Hex(const LongInt& value) { return ToHex(value.GetData(), value.GetByteLength()); }

int CoreError(const char* what, const CryptoException& e) {
  std::fprintf(stderr, "tavrpki: dstu %s: the DSTU 4145 core refused (code 0x%x)\n", what, e.GetCode());
  return 2;
}

int Keygen(const Options& options) {
  const params::NamedCurve& curve = DstuCurve(options.Required("curve"));
  CryptoEngine engine;
  params::LoadCurve(engine, curve);
  const LongInt d = WithRandom(curve.m, [&](const LongInt& r) { return engine.GetPrivateKey(r); });
  LongInt x, y;
  engine.GetPublicKey(d, x, y);
  std::vector<std::uint8_t> big(d.GetData(), d.GetData() + d.GetByteLength());
  std::reverse(big.begin(), big.end());
  std::printf("priv=%s pub=%s\n", ToHex(big).c_str(), Hex(engine.CompressPoint(x, y)).c_str());
  return 0;
}

int Sign(const Options& options) {
  const params::NamedCurve& curve = DstuCurve(options.Required("curve"));
  CryptoEngine engine;
  params::LoadCurve(engine, curve);
  std::vector<std::uint8_t> priv = ParseHex(options.Required("priv"), "--priv");
  std::reverse(priv.begin(), priv.end());  // given big-endian, held little-endian
  const LongInt d = FromBytes(priv, 8 * priv.size(), "--priv");
  const auto hashBytes = ParseHex(options.Required("hash"), "--hash");
  const LongInt hash = FromBytes(hashBytes, 8 * hashBytes.size(), "--hash");
  const LongInt signature = WithRandom(curve.m, [&](const LongInt& r) { return engine.Sign(hash, d, r); });
  std::printf("%s\n", Hex(signature).c_str());
  return 0;
}

int Verify(const Options& options) {
  const params::NamedCurve& curve = DstuCurve(options.Required("curve"));
  CryptoEngine engine;
  params::LoadCurve(engine, curve);
  const auto pub = ParseHex(options.Required("pub"), "--pub");
  const auto hashBytes = ParseHex(options.Required("hash"), "--hash");
  const auto sigBytes = ParseHex(options.Required("sig"), "--sig");
  LongInt x, y;
  bool ok = false;
  try {
    engine.DecompressPoint(FromBytes(pub, curve.m, "--pub"), x, y);
    ok = engine.CheckPublicKey(x, y) &&
         engine.CheckSign(FromBytes(hashBytes, 8 * hashBytes.size(), "--hash"),
                          FromBytes(sigBytes, 8 * sigBytes.size(), "--sig"), x, y);
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

const params::NamedCurve& DstuCurve(const std::string& oid) {
  const params::NamedCurve* curve = params::FindNamedCurve(oid);
  if (curve == nullptr) throw UsageError{"no named curve " + oid + " (see 'tavrpki dstu curves')"};
  return *curve;
}

}  // namespace tavrpki::tool

#include "crypto/dstu/Dstu4145Ops.h"

#include <array>
#include <stdexcept>
#include <vector>

#include "core/Catalogue.h"
#include "gostcrypto/Wipe.h"
#include "crypto/params/CurveEngine.h"
#include "gostcrypto/CryptoEngine.h"
#include "gostcrypto/RandomRetry.h"
#include "longmath/LongInt.h"

namespace tavrpki::dstu {
namespace {

using longmath::LongInt;
using params::LoadCurve;
using params::ToLongInt;

CBitBlob ToBlob(const LongInt& value) {
  return CBitBlob(value.Bytes(), value.GetBitLength());
}

struct Point {
  LongInt x, y;
};

Point PublicPoint(const CKeyPair& pair) {
  const CPublicKey& q = pair.GetPublicKey();
  return {ToLongInt(q.GetX().GetValue()), ToLongInt(q.GetY().GetValue())};
}

void RequireUsage(const CKeyPair& pair, std::uint32_t usage) {
  if (pair.GetUsage() != usage) Raise(kMsgWrongKeyUsage);
}

// Runs `body`, turning failures of the core into the library's codes.
template <class Body>
decltype(auto) CoreCall(Body&& body) {
  try {
    return body();
  } catch (const gostcrypto::CryptoException& error) {
    Raise(kMsgCryptoCore, error.GetCode());
  } catch (const std::length_error&) {
    Raise(kMsgCryptoCore, 0x12);  // a value longer than the core can hold
  }
}

// `attempt(random)` with a fresh random value per attempt; the core's "unusable
// random value" (code 2) asks for the next one, and a run of refusals is 40012.
template <class Attempt>
LongInt WithRandomRetry(const CAsymmetric4145Params& params, const RandomSource& random,
                        Attempt&& attempt) {
  std::array<std::uint8_t, kRandomDrawSize> bytes{};
  WipeOnExit guard(bytes.data(), bytes.size());
  const auto draw = [&] {
    random(bytes);
    LongInt value(static_cast<std::uint16_t>(params.m));
    value.SetFromBuffer(bytes.data(), bytes.size());
    return value;
  };
  try {
    return gostcrypto::WithRandomRetry(draw, attempt);
  } catch (const gostcrypto::CryptoException& error) {
    if (error.GetCode() == gostcrypto::CryptoException::kBadRandom) Raise(kMsgRandomNumberFailed);
    throw;
  }
}

LongInt Hash(std::span<const std::uint8_t, kHashSize> hash) {
  LongInt value(static_cast<std::uint16_t>(kHashSize * 8));
  value.SetFromBuffer(hash.data(), hash.size());
  return value;
}

// Bit i of a buffer is bit i % 8 of byte i / 8. Whole target bytes at a time once the
// target is aligned (the pieces of an envelope's key material are a few hundred
// bits each); the branches depend on the positions only, never on the bits.
void CopyBits(const std::uint8_t* from, std::size_t fromBit, std::uint8_t* to, std::size_t toBit,
              std::size_t count) {
  const auto copyBit = [&](std::size_t i) {
    const std::size_t source = fromBit + i;
    const std::size_t target = toBit + i;
    const auto bit = static_cast<std::uint8_t>((from[source / 8] >> (source % 8)) & 1u);
    to[target / 8] = static_cast<std::uint8_t>((to[target / 8] & ~(1u << (target % 8))) |
                                               (bit << (target % 8)));
  };
  std::size_t i = 0;
  for (; i < count && (toBit + i) % 8 != 0; ++i) copyBit(i);
  const unsigned shift = static_cast<unsigned>((fromBit + i) % 8);
  for (; i + 8 <= count; i += 8) {
    const std::size_t source = (fromBit + i) / 8;
    // With shift > 0 the byte's last bit is in the next source byte, which the
    // count covers.
    unsigned value = from[source] >> shift;
    if (shift != 0) value |= static_cast<unsigned>(from[source + 1]) << (8 - shift);
    to[(toBit + i) / 8] = static_cast<std::uint8_t>(value);
  }
  for (; i < count; ++i) copyBit(i);
}

// Cuts `data` into pieces of `pieceBits`, transforms each and packs the results.
// The packed results are plaintext when decrypting: every block the buffer
// outgrows is wiped before it is freed.
template <class Transform>
Blob Pieces(ByteView data, std::size_t pieceBits, Transform&& transform) {
  SecretVector out;
  std::size_t outBits = 0;
  const std::size_t totalBits = data.size() * 8;
  for (std::size_t offset = 0; offset < totalBits; offset += pieceBits) {
    const std::size_t take = std::min(pieceBits, totalBits - offset);
    LongInt piece(static_cast<std::uint16_t>(pieceBits));
    CopyBits(data.data(), offset, piece.GetData(), 0, take);
    const LongInt result = transform(piece);
    const std::size_t resultBits = result.GetBitLength();
    out.resize((outBits + resultBits + 7) / 8);
    CopyBits(result.GetData(), 0, out.data(), outBits, resultBits);
    outBits += resultBits;
  }
  return Blob{ByteView(out)};
}

}  // namespace

Blob Sign(const CKeyPair& pair, std::span<const std::uint8_t, kHashSize> hash,
          const RandomSource& random) {
  RequireUsage(pair, CKeyPair::kSigning);
  return CoreCall([&] {
    gostcrypto::CryptoEngine engine;
    LoadCurve(engine, pair.GetParams());
    const LongInt h = Hash(hash);
    const LongInt d = ToLongInt(pair.GetPrivateKey().GetValue());
    const LongInt signature = WithRandomRetry(
        pair.GetParams(), random, [&](const LongInt& e) { return engine.Sign(h, d, e, 0); });
    return Blob(signature.Bytes());
  });
}

bool Verify(const CKeyPair& pair, std::span<const std::uint8_t, kHashSize> hash,
            ByteView signature) {
  RequireUsage(pair, CKeyPair::kSigning);
  if (signature.empty() || signature.size() > LongInt::kCapacityBytes) return false;
  return CoreCall([&] {
    gostcrypto::CryptoEngine engine;
    LoadCurve(engine, pair.GetParams());
    const LongInt s = ToLongInt(signature, static_cast<std::uint32_t>(signature.size() * 8));
    const Point q = PublicPoint(pair);
    return engine.CheckSign(Hash(hash), s, q.x, q.y, 0);
  });
}

int VerifyAny(const CKeyPair& pair, std::span<const std::array<std::uint8_t, kHashSize>> hashes,
              ByteView signature) {
  RequireUsage(pair, CKeyPair::kSigning);
  if (signature.empty() || signature.size() > LongInt::kCapacityBytes) return -1;
  return CoreCall([&] {
    gostcrypto::CryptoEngine engine;
    LoadCurve(engine, pair.GetParams());
    const LongInt s = ToLongInt(signature, static_cast<std::uint32_t>(signature.size() * 8));
    const Point q = PublicPoint(pair);
    std::vector<LongInt> values;
    for (const auto& hash : hashes) values.push_back(Hash(hash));
    return engine.CheckSignAny(values, s, q.x, q.y);
  });
}

Blob Encrypt(const CKeyPair& pair, ByteView data, const RandomSource& random) {
  RequireUsage(pair, CKeyPair::kEncryption);
  return CoreCall([&] {
    gostcrypto::CryptoEngine engine;
    LoadCurve(engine, pair.GetParams());
    const Point q = PublicPoint(pair);
    return Pieces(data, pair.GetParams().m, [&](const LongInt& piece) {
      return WithRandomRetry(pair.GetParams(), random,
                             [&](const LongInt& e) { return engine.Encrypt(piece, q.x, q.y, e); });
    });
  });
}

Blob Decrypt(const CKeyPair& pair, ByteView data) {
  RequireUsage(pair, CKeyPair::kEncryption);
  return CoreCall([&] {
    gostcrypto::CryptoEngine engine;
    LoadCurve(engine, pair.GetParams());
    const LongInt d = ToLongInt(pair.GetPrivateKey().GetValue());
    const std::size_t pieceBits = 16 * ((pair.GetParams().m + 7) / 8);
    // All pieces at once: the core shares their work (same results as one by one).
    std::vector<LongInt> pieces;
    Pieces(data, pieceBits, [&](const LongInt& piece) {
      pieces.push_back(piece);
      return LongInt();
    });
    std::vector<LongInt> plain = engine.DecryptPieces(pieces, d);
    std::size_t next = 0;
    return Pieces(data, pieceBits, [&](const LongInt&) { return plain[next++]; });
  });
}

CKeyPair GenerateKeyPair(const CAsymmetric4145Params& params, std::uint32_t usage,
                         const RandomSource& random) {
  return CoreCall([&] {
    gostcrypto::CryptoEngine engine;
    LoadCurve(engine, params);
    const LongInt d = WithRandomRetry(params, random,
                                      [&](const LongInt& e) { return engine.GetPrivateKey(e); });
    LongInt x;
    LongInt y;
    bool privateOk = false;
    if (usage == CKeyPair::kSigning) {
      engine.GetPublicKey(d, x, y);
      privateOk = engine.CheckPrivateKey(d, x, y);
    } else {
      engine.GetCryptPublicKey(d, x, y);
      privateOk = engine.CheckCryptPrivateKey(d, x, y);
    }
    if (!privateOk) Raise(kMsgPrivateKeyCheckFailed);
    if (!engine.CheckPublicKey(x, y)) Raise(kMsgPublicKeyCheckFailed);
    CBitBlob secret = ToBlob(d);
    WipeOnExit wipeSecret(secret.Data(), secret.Capacity());  // also when building the pair throws
    return CKeyPair(CPrivateKey(secret), CPublicKey(CAsymmetricKey(ToBlob(x)), CAsymmetricKey(ToBlob(y))),
                    params, usage);
  });
}

Blob CompressPublicKey(const CKeyPair& pair) {
  return CoreCall([&] {
    gostcrypto::CryptoEngine engine;
    LoadCurve(engine, pair.GetParams());
    const Point q = PublicPoint(pair);
    const LongInt c = engine.CompressPoint(q.x, q.y);
    return Blob(c.Bytes());
  });
}

}  // namespace tavrpki::dstu

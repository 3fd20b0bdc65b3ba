#include "gostcrypto/CryptoEngine.h"

#include <algorithm>
#include <array>

#include "gostcrypto/Wipe.h"
#include "ec/Curve.h"
#include "ec/Declassify.h"
#include "ec/Errors.h"
#include "ec/Dstu.h"

namespace gostcrypto {
namespace {

using longmath::LongInt;
using namespace ec;

constexpr std::size_t kMaxElementBytes = 72;

std::vector<std::uint8_t> ToVector(const LongInt& v) {
  const auto bytes = v.Bytes();
  return {bytes.begin(), bytes.end()};
}

LongInt FromBytes(Bytes bytes, unsigned bits) {
  LongInt r(static_cast<std::uint16_t>(bits));
  std::copy(bytes.begin(), bytes.end(), r.GetData());
  return r;
}

// A field element result: m bits.
void SetElement(LongInt& out, Bytes bytes, unsigned m) {
  out.changeLength(static_cast<std::uint16_t>(m), false);
  std::copy(bytes.begin(), bytes.end(), out.GetData());
}

// The private key d in [1, n-1], or CryptoException(kBadKey).
Scalar LoadPrivate(const ec::Curve& curve, const LongInt& priv) {
  Scalar d;
  if (Declassify(curve.Order().Load(d, priv.Bytes())) == 0) {
    tavrpki::SecureWipeObject(d);
    Fail(kBadKey);
  }
  return d;
}

// The secret in [1, n-1]: the first 8 (words of n + 1) bytes of random, mod n. A zero
// result (probability 2^-bitlen(n)) throws CryptoException(kBadRandom): draw again.
Scalar LoadRandom(const ec::Curve& curve, const LongInt& random) {
  const ScalarField& order = curve.Order();
  if (random.GetByteLength() < order.ReducedInputBytes()) Fail(kBadArgument);
  Scalar k;
  if (Declassify(order.LoadReduced(k, random.Bytes())) == 0) {
    tavrpki::SecureWipeObject(k);
    Fail(kBadRandom);
  }
  return k;
}

}  // namespace

CryptoEngine::CryptoEngine() = default;
CryptoEngine::~CryptoEngine() = default;

const ec::Curve& CryptoEngine::Curve() const {
  CurveParams params;
  params.m = m;
  params.k = k;
  params.j = j;
  params.l = l;
  params.a = A;
  params.b = ToVector(B);
  params.n = ToVector(n);
  params.gx = ToVector(Px);
  params.gy = ToVector(Py);
  m_curve = CachedCurve(params);
  return *m_curve;
}

LongInt CryptoEngine::Sign(const LongInt& hash, const LongInt& priv, const LongInt& random,
                           int reserved) const {
  if (reserved != 0) Fail(kBadArgument);
  const ec::Curve& curve = Curve();
  Scalar d = LoadPrivate(curve, priv);
  tavrpki::WipeOnExit wipeD(d.data(), sizeof d);  // before the draw, which may ask for another
  Scalar e = LoadRandom(curve, random);
  tavrpki::WipeOnExit wipeE(e.data(), sizeof e);
  const std::size_t half = curve.Order().Bytes();
  LongInt signature(static_cast<std::uint16_t>(16 * half));
  SignHash(curve, hash.Bytes(), d, e, MutableBytes(signature.GetData(), 2 * half));
  return signature;
}

bool CryptoEngine::CheckSign(const LongInt& hash, const LongInt& signature, const LongInt& x,
                             const LongInt& y, int reserved) const {
  if (reserved != 0) Fail(kBadArgument);
  return VerifyHash(Curve(), hash.Bytes(), signature.Bytes(), x.Bytes(), y.Bytes());
}

int CryptoEngine::CheckSignAny(const std::vector<LongInt>& hashes, const LongInt& signature, const LongInt& x,
                               const LongInt& y) const {
  std::vector<Bytes> bytes;
  for (const LongInt& hash : hashes) bytes.push_back(hash.Bytes());
  return VerifyHashAny(Curve(), bytes, signature.Bytes(), x.Bytes(), y.Bytes());
}

LongInt CryptoEngine::GetPrivateKey(const LongInt& random) const {
  const ec::Curve& curve = Curve();
  Scalar d = LoadRandom(curve, random);
  LongInt priv(static_cast<std::uint16_t>(curve.Order().Bits()));
  curve.Order().Store(MutableBytes(priv.GetData(), curve.Order().Bytes()), d);
  tavrpki::SecureWipeObject(d);
  return priv;
}

void CryptoEngine::GetPublicKey(const LongInt& priv, LongInt& x, LongInt& y) const {
  const ec::Curve& curve = Curve();
  Scalar d = LoadPrivate(curve, priv);
  std::array<std::uint8_t, kMaxElementBytes> qx{}, qy{};
  const std::size_t size = curve.ElementBytes();
  curve.PublicKey(d, MutableBytes(qx.data(), size), MutableBytes(qy.data(), size));
  tavrpki::SecureWipeObject(d);
  DeclassifyBytes(qx.data(), size);
  DeclassifyBytes(qy.data(), size);
  SetElement(x, Bytes(qx.data(), size), curve.Degree());
  SetElement(y, Bytes(qy.data(), size), curve.Degree());
}

void CryptoEngine::GetCryptPublicKey(const LongInt& priv, LongInt& x, LongInt& y) const {
  GetPublicKey(priv, x, y);
}

bool CryptoEngine::CheckPrivateKey(const LongInt& priv, const LongInt& x, const LongInt& y) const {
  const ec::Curve& curve = Curve();
  Scalar d;
  tavrpki::WipeOnExit wipeD(d.data(), sizeof d);  // a refused key still left its low words in d
  if (Declassify(curve.Order().Load(d, priv.Bytes())) == 0) return false;
  return Declassify(curve.MatchesKey(d, x.Bytes(), y.Bytes())) != 0;
}

bool CryptoEngine::CheckCryptPrivateKey(const LongInt& priv, const LongInt& x,
                                        const LongInt& y) const {
  return CheckPrivateKey(priv, x, y);
}

bool CryptoEngine::CheckPublicKey(const LongInt& x, const LongInt& y) const {
  return Curve().CheckPublicKeyVartime(x.Bytes(), y.Bytes());
}

LongInt CryptoEngine::Encrypt(const LongInt& data, const LongInt& x, const LongInt& y,
                              const LongInt& random) const {
  const ec::Curve& curve = Curve();
  const std::size_t size = curve.ElementBytes();
  // The piece is an m-bit value, range-checked like a field element.
  const Bytes input = data.Bytes();
  std::array<std::uint8_t, kMaxElementBytes> piece{};
  tavrpki::WipeOnExit wipePiece(piece.data(), sizeof piece);
  for (std::size_t i = size; i < input.size(); ++i)
    if (input[i] != 0) Fail(kBadArgument);
  std::copy_n(input.begin(), std::min(size, input.size()), piece.begin());
  if (curve.Degree() % 8 != 0 && (piece[size - 1] >> (curve.Degree() % 8)) != 0) Fail(kBadArgument);

  Scalar k = LoadRandom(curve, random);
  tavrpki::WipeOnExit wipeK(k.data(), sizeof k);
  LongInt out(static_cast<std::uint16_t>(16 * size));
  EncryptPiece(curve, Bytes(piece.data(), size), x.Bytes(), y.Bytes(), k,
               MutableBytes(out.GetData(), 2 * size));
  return out;
}

LongInt CryptoEngine::Decrypt(const LongInt& data, const LongInt& priv) const {
  const ec::Curve& curve = Curve();
  const std::size_t size = curve.ElementBytes();
  const Bytes input = data.Bytes();
  std::array<std::uint8_t, 2 * kMaxElementBytes> piece{};
  for (std::size_t i = 2 * size; i < input.size(); ++i)
    if (input[i] != 0) Fail(kBadCiphertext);
  std::copy_n(input.begin(), std::min(2 * size, input.size()), piece.begin());
  Scalar d = LoadPrivate(curve, priv);
  tavrpki::WipeOnExit wipeD(d.data(), sizeof d);
  LongInt out(static_cast<std::uint16_t>(curve.Degree()));
  DecryptPiece(curve, Bytes(piece.data(), 2 * size), d, MutableBytes(out.GetData(), size));
  return out;
}

std::vector<LongInt> CryptoEngine::DecryptPieces(const std::vector<LongInt>& data, const LongInt& priv) const {
  const ec::Curve& curve = Curve();
  const std::size_t size = curve.ElementBytes(), count = data.size();
  // Each input as Decrypt reads it: zero-padded to 2 size bytes, nothing beyond.
  std::vector<std::uint8_t> input(count * 2 * size);
  std::vector<Bytes> ciphertexts(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Bytes bytes = data[i].Bytes();
    for (std::size_t b = 2 * size; b < bytes.size(); ++b)
      if (bytes[b] != 0) Fail(kBadCiphertext);
    std::copy_n(bytes.begin(), std::min(2 * size, bytes.size()), input.begin() + static_cast<std::ptrdiff_t>(i * 2 * size));
    ciphertexts[i] = Bytes(input.data() + i * 2 * size, 2 * size);
  }
  Scalar d = LoadPrivate(curve, priv);
  tavrpki::WipeOnExit wipeD(d.data(), sizeof d);
  std::vector<LongInt> out;
  out.reserve(count);
  std::vector<MutableBytes> pieces(count);
  for (std::size_t i = 0; i < count; ++i) {
    out.emplace_back(static_cast<std::uint16_t>(curve.Degree()));
    pieces[i] = MutableBytes(out.back().GetData(), size);
  }
  ec::DecryptPieces(curve, ciphertexts, d, pieces);
  return out;
}

LongInt CryptoEngine::CompressPoint(const LongInt& x, const LongInt& y) const {
  const ec::Curve& curve = Curve();
  const std::size_t size = curve.ElementBytes();
  std::array<std::uint8_t, kMaxElementBytes> c{};
  if (!curve.Compress(x.Bytes(), y.Bytes(), MutableBytes(c.data(), size))) Fail(kBadKey);
  return FromBytes(Bytes(c.data(), size), curve.Degree());
}

void CryptoEngine::DecompressPoint(const LongInt& c, LongInt& x, LongInt& y) const {
  const ec::Curve& curve = Curve();
  const std::size_t size = curve.ElementBytes();
  std::array<std::uint8_t, kMaxElementBytes> px{}, py{};
  if (!curve.Decompress(c.Bytes(), MutableBytes(px.data(), size), MutableBytes(py.data(), size)))
    Fail(kBadKey);
  SetElement(x, Bytes(px.data(), size), curve.Degree());
  SetElement(y, Bytes(py.data(), size), curve.Degree());
}

}  // namespace gostcrypto

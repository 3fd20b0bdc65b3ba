#include "ec/Dstu.h"

#include <array>
#include <vector>

#include "gostcrypto/Wipe.h"
#include "ec/Declassify.h"
#include "ec/Errors.h"
#include "ec/KeyStream.h"

namespace gostcrypto::ec {
namespace {

constexpr std::size_t kMaxElementBytes = 72;

// Clears the bits at and above m of a stored number.
void ClearTop(MutableBytes element, unsigned m) {
  if (m % 8 != 0) element[element.size() - 1] &= static_cast<std::uint8_t>((1u << (m % 8)) - 1);
}

bool TopClear(Bytes element, unsigned m) {
  return m % 8 == 0 || (element[element.size() - 1] >> (m % 8)) == 0;
}

}  // namespace

void SignHash(const Curve& curve, Bytes hash, const Scalar& d, const Scalar& e,
              MutableBytes signature) {
  const ScalarField& order = curve.Order();
  Scalar r, s;
  const std::uint64_t rOk = curve.SignatureR(hash, e, r);
  order.Mul(s, d, r);
  order.Add(s, s, e);  // s = (e + d r) mod n
  const std::uint64_t ok = Declassify(rOk & ~order.ZeroMask(s));
  DeclassifyBytes(r.data(), sizeof r);
  DeclassifyBytes(s.data(), sizeof s);
  if (ok == 0) Fail(kBadRandom);
  const std::size_t half = order.Bytes();
  order.Store(signature.first(half), r);
  order.Store(signature.subspan(half, half), s);
}

bool VerifyHash(const Curve& curve, Bytes hash, Bytes signature, Bytes qx, Bytes qy) {
  return VerifyHashAny(curve, std::span<const Bytes>(&hash, 1), signature, qx, qy) == 0;
}

int VerifyHashAny(const Curve& curve, std::span<const Bytes> hashes, Bytes signature, Bytes qx, Bytes qy) {
  if (signature.empty() || signature.size() % 2 != 0) return -1;
  const std::size_t half = signature.size() / 2;
  Scalar r, s;
  if (curve.Order().Load(r, signature.first(half)) == 0) return -1;  // 0 < r < n
  if (curve.Order().Load(s, signature.subspan(half)) == 0) return -1;  // 0 < s < n
  return curve.VerifyAnyVartime(hashes, r, s, qx, qy);
}

void EncryptPiece(const Curve& curve, Bytes piece, Bytes qx, Bytes qy, const Scalar& k,
                  MutableBytes ciphertext) {
  const std::size_t size = curve.ElementBytes();
  std::array<std::uint8_t, kMaxElementBytes> shared{}, stream{};
  tavrpki::WipeOnExit wipeShared(shared.data(), sizeof shared);
  tavrpki::WipeOnExit wipeStream(stream.data(), sizeof stream);
  const MutableBytes r = ciphertext.first(size), masked = ciphertext.subspan(size, size);
  if (!curve.Encapsulate(k, qx, qy, r, MutableBytes(shared.data(), size))) Fail(kBadKey);
  KeyStream(Bytes(shared.data(), size), r, MutableBytes(stream.data(), size));
  for (std::size_t i = 0; i < size; ++i) masked[i] = piece[i] ^ stream[i];
  ClearTop(masked, curve.Degree());
  DeclassifyBytes(ciphertext.data(), 2 * size);
}

void DecryptPiece(const Curve& curve, Bytes ciphertext, const Scalar& d, MutableBytes piece) {
  const std::size_t size = curve.ElementBytes();
  const Bytes r = ciphertext.first(size), masked = ciphertext.subspan(size, size);
  if (!TopClear(masked, curve.Degree())) Fail(kBadCiphertext);
  std::array<std::uint8_t, kMaxElementBytes> shared{}, stream{};
  tavrpki::WipeOnExit wipeShared(shared.data(), sizeof shared);
  tavrpki::WipeOnExit wipeStream(stream.data(), sizeof stream);
  if (!curve.Decapsulate(d, r, MutableBytes(shared.data(), size))) Fail(kBadCiphertext);
  KeyStream(Bytes(shared.data(), size), r, MutableBytes(stream.data(), size));
  for (std::size_t i = 0; i < size; ++i) piece[i] = masked[i] ^ stream[i];
  ClearTop(piece, curve.Degree());
}

void DecryptPieces(const Curve& curve, std::span<const Bytes> ciphertexts, const Scalar& d,
                   std::span<const MutableBytes> pieces) {
  const std::size_t size = curve.ElementBytes(), count = ciphertexts.size();
  std::vector<Bytes> r(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (!TopClear(ciphertexts[i].subspan(size, size), curve.Degree())) Fail(kBadCiphertext);
    r[i] = ciphertexts[i].first(size);
  }
  // The shared x values go straight into the output pieces, which the key stream
  // then overwrites: no second secret buffer to wipe.
  if (!curve.DecapsulateBatch(d, r, pieces)) {
    for (const MutableBytes& piece : pieces) tavrpki::SecureWipe(piece.data(), piece.size());
    Fail(kBadCiphertext);
  }
  std::array<std::uint8_t, kMaxElementBytes> stream{};
  tavrpki::WipeOnExit wipeStream(stream.data(), sizeof stream);
  for (std::size_t i = 0; i < count; ++i) {
    KeyStream(pieces[i].first(size), r[i], MutableBytes(stream.data(), size));
    const Bytes masked = ciphertexts[i].subspan(size, size);
    for (std::size_t j = 0; j < size; ++j) pieces[i][j] = masked[j] ^ stream[j];
    ClearTop(pieces[i], curve.Degree());
  }
}

}  // namespace gostcrypto::ec

// DSTU 4145-2002 signatures and the encryption scheme on a Curve, on byte strings:
// what CryptoEngine does once it has turned its LongInt values into bytes.
#pragma once

#include "ec/Curve.h"

namespace gostcrypto::ec {

// signature = r || s, each Order().Bytes() little-endian. e is the per-signature
// secret; a draw that gives r = 0 or s = 0 throws CryptoException(kBadRandom).
void SignHash(const Curve& curve, Bytes hash, const Scalar& d, const Scalar& e,
              MutableBytes signature);

// True when signature (two equal halves, r then s, little-endian) is valid for hash
// under the public key (qx, qy).
bool VerifyHash(const Curve& curve, Bytes hash, Bytes signature, Bytes qx, Bytes qy);
// The index of the first of `hashes` the signature is valid for, or -1.
int VerifyHashAny(const Curve& curve, std::span<const Bytes> hashes, Bytes signature, Bytes qx, Bytes qy);

// ciphertext (2 ElementBytes()) = compressed k G || piece XOR key stream. piece is
// ElementBytes() long with no bits at or above m. Throws kBadKey when Q is unusable.
void EncryptPiece(const Curve& curve, Bytes piece, Bytes qx, Bytes qy, const Scalar& k,
                  MutableBytes ciphertext);

// piece (ElementBytes()) from a ciphertext of 2 ElementBytes(). Throws kBadCiphertext.
void DecryptPiece(const Curve& curve, Bytes ciphertext, const Scalar& d, MutableBytes piece);

// DecryptPiece for every ciphertexts[i] into pieces[i] (equal counts), the points'
// work shared (Curve::DecapsulateBatch). Throws kBadCiphertext when any piece fails.
void DecryptPieces(const Curve& curve, std::span<const Bytes> ciphertexts, const Scalar& d,
                   std::span<const MutableBytes> pieces);

}  // namespace gostcrypto::ec

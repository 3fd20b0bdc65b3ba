// DSTU 4145-2002 on one elliptic curve y^2 + x y = x^3 + A x^2 + B over GF(2^m):
// signatures, key pairs, point compression, and an encryption scheme of our own.
//
// Set-up: construct, then store the curve in the public fields, in this order:
// degree m; the exponents k, j, l of the reduction polynomial t^m + t^l + t^j + t^k + 1
// (trinomial t^m + t^k + 1: j = l = 0; all three 0: optimal normal basis, m one of
// 173, 179, 191, 233, 431); A (0 or 1); B; the order n of the base point; the base
// point Px, Py. The first operation checks the curve and fetches its precomputed
// tables from a process-wide cache, so building an engine per operation is cheap.
//
// Values (all longmath::LongInt, least significant byte first):
//  * field elements (B, Px, Py, public keys x and y, compressed points): the stored
//    number of the element, m bits; in normal basis bit m-1 is the coefficient of beta;
//  * n, the private key d and the random values: integers;
//  * hash: the 32 bytes of the hash as they come from the hash function;
//  * signature: r then s, each ceil(bitlen(n)/8) bytes (length 16 ceil(bitlen(n)/8)
//    bits); CheckSign splits whatever it gets into two equal halves;
//  * random: at least 8 (w + 1) bytes, w = the 64-bit words of n (40 bytes for the
//    257-bit curve; the kernel's 128 bytes always suffice). The secret is those bytes
//    as a number mod n (bias below 2^-64); when that is 0 the operation throws
//    CryptoException(2) and the caller draws again.
// Public keys are Q = -d P, for signing and for encryption alike.
//
// Failures are CryptoException: 2 = draw another random value; 0x10 = the curve
// fields describe no usable curve; 0x11 = private key out of range or public key not
// on the curve; 0x12 = a value longer than the field or the order allows;
// 0x13 = a ciphertext piece no encryption produced. Checks answer false instead.
//
// Operations on secrets (key generation, signing, private-key checks, encryption,
// decryption) run in time independent of the secret values. CheckSign and the
// public-key checks are variable time and work on public values only. An engine may
// be used by one thread at a time; any number of engines may run in parallel.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gostcrypto/CryptoException.h"
#include "longmath/LongInt.h"

namespace gostcrypto {

namespace ec {
class Curve;
}

class CryptoEngine {
 public:
  // The curve, in the order the caller stores it.
  std::uint32_t m = 0;
  std::uint32_t k = 0, j = 0, l = 0;
  std::uint32_t A = 0;
  longmath::LongInt B, n, Px, Py;

  CryptoEngine();
  ~CryptoEngine();
  CryptoEngine(const CryptoEngine&) = delete;
  CryptoEngine& operator=(const CryptoEngine&) = delete;

  // The signature (r, s) of the hash with private key d and the per-signature
  // secret from random. reserved must be 0.
  longmath::LongInt Sign(const longmath::LongInt& hash, const longmath::LongInt& priv,
                         const longmath::LongInt& random, int reserved = 0) const;
  // True when signature is valid for hash under the public key (x, y).
  bool CheckSign(const longmath::LongInt& hash, const longmath::LongInt& signature,
                 const longmath::LongInt& x, const longmath::LongInt& y, int reserved = 0) const;
  // CheckSign against several hashes at the cost of one: the index of the first
  // hash the signature is valid for, or -1.
  int CheckSignAny(const std::vector<longmath::LongInt>& hashes, const longmath::LongInt& signature,
                   const longmath::LongInt& x, const longmath::LongInt& y) const;

  // A private key d in [1, n-1] from random; the result is bitlen(n) bits long.
  longmath::LongInt GetPrivateKey(const longmath::LongInt& random) const;
  // The public key (x, y) = -d P of a signing key, and of an encryption key.
  void GetPublicKey(const longmath::LongInt& priv, longmath::LongInt& x, longmath::LongInt& y) const;
  void GetCryptPublicKey(const longmath::LongInt& priv, longmath::LongInt& x,
                         longmath::LongInt& y) const;
  // True when d is in [1, n-1] and (x, y) is its public key.
  bool CheckPrivateKey(const longmath::LongInt& priv, const longmath::LongInt& x,
                       const longmath::LongInt& y) const;
  bool CheckCryptPrivateKey(const longmath::LongInt& priv, const longmath::LongInt& x,
                            const longmath::LongInt& y) const;
  // True when (x, y) is a point of the curve, not O, of order n.
  bool CheckPublicKey(const longmath::LongInt& x, const longmath::LongInt& y) const;

  // Encrypts one piece of at most m bits (bits at and above m must be zero) for the
  // public key (x, y); the result is always 16 ceil(m/8) bits: the compressed
  // ephemeral point, then the piece masked with a GOST 34.311 key stream
  // (docs/dstu-encryption.md). Not authenticated.
  longmath::LongInt Encrypt(const longmath::LongInt& data, const longmath::LongInt& x,
                            const longmath::LongInt& y, const longmath::LongInt& random) const;
  // Decrypts one piece of 16 ceil(m/8) bits (shorter input counts as zero-padded);
  // the result is m bits.
  longmath::LongInt Decrypt(const longmath::LongInt& data, const longmath::LongInt& priv) const;
  // Decrypt of every piece under one key, with the same results and failures; about
  // twice as fast for the several pieces of one message, which share their
  // inversions and run their ladders side by side.
  std::vector<longmath::LongInt> DecryptPieces(const std::vector<longmath::LongInt>& data,
                                               const longmath::LongInt& priv) const;

  // The compressed form of the point (x, y): m bits. Throws 0x11 for a point not on
  // the curve.
  longmath::LongInt CompressPoint(const longmath::LongInt& x, const longmath::LongInt& y) const;
  // The point with compressed form c. Throws 0x11 when there is none.
  void DecompressPoint(const longmath::LongInt& c, longmath::LongInt& x, longmath::LongInt& y) const;

 private:
  const ec::Curve& Curve() const;

  mutable std::shared_ptr<const ec::Curve> m_curve;
};

}  // namespace gostcrypto

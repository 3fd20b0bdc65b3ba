// One DSTU 4145-2002 curve with its per-curve precomputation: the interface the
// engine uses, independent of the field type underneath.
//
// Field elements cross this interface as "stored numbers": ceil(m/8) bytes, least
// significant first, in the curve's own basis (polynomial, or optimal normal basis
// where bit m-1 is the coefficient of beta). Output spans must be ElementBytes()
// long. Curves are immutable once built and safe to share between threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "ec/Scalar.h"

namespace gostcrypto::ec {

using Bytes = std::span<const std::uint8_t>;
using MutableBytes = std::span<std::uint8_t>;

// The curve as the engine's fields describe it, numbers little-endian.
struct CurveParams {
  unsigned m = 0;
  unsigned k = 0, j = 0, l = 0;  // t^m + t^l + t^j + t^k + 1; j = l = 0: trinomial; all 0: normal basis
  unsigned a = 0;
  std::vector<std::uint8_t> b, n, gx, gy;
};

// Which arithmetic a curve uses: the fastest for this CPU, the pclmul kernels
// without the eight-lane ladders (the best path below vpclmul), the portable kernels of
// the specialised fields, or the run-time generic field (tests compare them all).
enum class FieldChoice { kBest, kClmul, kPortable, kGeneric };

class Curve {
 public:
  virtual ~Curve() = default;

  const ScalarField& Order() const { return m_order; }
  unsigned Degree() const { return m_m; }
  std::size_t ElementBytes() const { return (m_m + 7) / 8; }
  unsigned Cofactor() const { return m_cofactor; }
  // "vpclmul", "pclmul", "portable" or "generic".
  const char* Implementation() const { return m_implementation; }

  // Q = -d G. Constant time in d.
  virtual void PublicKey(const Scalar& d, MutableBytes x, MutableBytes y) const = 0;
  // All ones when (x, y) = -d G. Constant time in d.
  virtual std::uint64_t MatchesKey(const Scalar& d, Bytes x, Bytes y) const = 0;
  // The r of a signature made with secret e: the stored number of h * x(e G),
  // truncated to bitlen(n) - 1 bits, h from the hash bytes. Returns all ones when r
  // is usable (x(e G) and r not zero). Constant time in e.
  virtual std::uint64_t SignatureR(Bytes hash, const Scalar& e, Scalar& r) const = 0;
  // Checks s G + r Q against r (0 < r, s < n is the caller's check). Q need not be valid.
  virtual bool VerifyVartime(Bytes hash, const Scalar& r, const Scalar& s, Bytes qx,
                             Bytes qy) const = 0;
  // The index of the first of `hashes` that (r, s) signs under Q, or -1: one s G + r Q
  // serves them all, so a signature that may cover one of two encodings costs one check.
  virtual int VerifyAnyVartime(std::span<const Bytes> hashes, const Scalar& r, const Scalar& s,
                               Bytes qx, Bytes qy) const = 0;
  // (x, y) is a point of the curve other than O and of order n.
  virtual bool CheckPublicKeyVartime(Bytes x, Bytes y) const = 0;
  // The compressed form of (x, y); false when it is not a point of the curve.
  virtual bool Compress(Bytes x, Bytes y, MutableBytes out) const = 0;
  // The point of compressed form c; false when there is none.
  virtual bool Decompress(Bytes c, MutableBytes x, MutableBytes y) const = 0;
  // Key agreement for encryption with secret k: R = k G compressed, and the stored x
  // of k h Q. False when Q is not a point of order n (h the cofactor). Constant time in k.
  virtual bool Encapsulate(const Scalar& k, Bytes qx, Bytes qy, MutableBytes rCompressed,
                           MutableBytes sharedX) const = 0;
  // The stored x of d h R for R decompressed from rCompressed; false when R is not a
  // point of the curve or h R = O. Constant time in d.
  virtual bool Decapsulate(const Scalar& d, Bytes rCompressed, MutableBytes sharedX) const = 0;
  // Decapsulate for every rCompressed[i] into sharedX[i] (spans of equal count), under
  // one d: false when any of them would fail alone. One message is cut into several
  // pieces under one key, so the points share their inversions and their ladders run
  // side by side, each bit's swaps and steps for all points together. Constant time in d.
  virtual bool DecapsulateBatch(const Scalar& d, std::span<const Bytes> rCompressed,
                                std::span<const MutableBytes> sharedX) const = 0;

  // Group operations on public points, for checks and tests: r = k p and r = p + q.
  // False when an input is not a curve point or the result is O.
  virtual bool MulVartime(Bytes px, Bytes py, const Scalar& k, MutableBytes rx,
                          MutableBytes ry) const = 0;
  virtual bool AddVartime(Bytes px, Bytes py, Bytes qx, Bytes qy, MutableBytes rx,
                          MutableBytes ry) const = 0;

 protected:
  Curve(unsigned m, Bytes n, unsigned cofactor, const char* implementation)
      : m_order(n), m_m(m), m_cofactor(cofactor), m_implementation(implementation) {}

 private:
  ScalarField m_order;
  unsigned m_m;
  unsigned m_cofactor;
  const char* m_implementation;
};

// Builds the curve (validating every parameter: field, a, b, G on the curve, n G = O)
// with the requested arithmetic. Throws CryptoException(kBadCurve).
std::shared_ptr<const Curve> BuildCurve(const CurveParams& params, FieldChoice choice);

// The process-wide cache in front of BuildCurve(params, kBest): one curve per
// distinct parameter set, built once. Thread-safe.
std::shared_ptr<const Curve> CachedCurve(const CurveParams& params);

}  // namespace gostcrypto::ec

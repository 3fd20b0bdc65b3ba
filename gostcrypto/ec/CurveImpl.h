// Curve over one field type F: the DSTU 4145 operations of Curve.h, with the
// per-curve precomputed tables of the base point G.
//
//  * k G for secret k: fixed windows of 5 bits over signed odd digits, one table
//    row of 16 affine points (2j+1) 32^i G per window, every row read in full with
//    masks. An even k is replaced by n - k (odd) and the result negated, so no
//    digit is ever zero and the accumulator never meets O.
//  * x(k P) for secret k and any P: the Montgomery-Lopez-Dahab ladder over the
//    bit length of n; the points of one batch side by side, on the eight-lane
//    kernels where the CPU has them (ec/LaneLadder.h).
//  * s G + r Q for verification: interleaved wNAF, width 8 for G (table built
//    once), width 5 for Q; variable time, public values only.
// Normal-basis curves keep their points in the polynomial basis of the same degree
// and convert stored numbers at this boundary.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "gostcrypto/ConstantTime.h"
#include "gostcrypto/Wipe.h"
#include "ec/Curve.h"
#include "ec/Declassify.h"
#include "ec/CurveMath.h"
#include "ec/Errors.h"
#include "ec/LaneLadder.h"
#include "gf2m/Field.h"
#include "gf2m/NormalBasis.h"

namespace gostcrypto::ec {

namespace detail {

inline constexpr unsigned kCombWindow = 5;
inline constexpr unsigned kCombRow = 1u << (kCombWindow - 1);  // odd multiples 1..31
inline constexpr unsigned kWnafG = 8;                          // odd multiples 1..127
inline constexpr unsigned kWnafQ = 5;                          // odd multiples 1..15
inline constexpr std::size_t kMaxDigits = 64 * kMaxScalarWords + 2;
// Points per interleaved ladder: the 160-octet key material of an envelope is at most
// seven pieces on the named curves.
inline constexpr std::size_t kLadderBatch = 8;

// Width-w NAF of k, least significant digit first; returns the digit count.
inline std::size_t Wnaf(std::array<std::int8_t, kMaxDigits>& digits, const Scalar& k, unsigned w) {
  std::uint64_t v[kMaxScalarWords + 1] = {};
  std::copy(k.begin(), k.end(), v);
  const std::int64_t full = std::int64_t{1} << w, half = full >> 1;
  std::size_t count = 0;
  auto nonzero = [&] {
    for (std::uint64_t word : v)
      if (word != 0) return true;
    return false;
  };
  while (nonzero()) {
    std::int64_t d = 0;
    if (v[0] & 1) {
      d = static_cast<std::int64_t>(v[0] & (full - 1));
      if (d >= half) d -= full;
      // v -= d
      const std::uint64_t sub = static_cast<std::uint64_t>(d);
      const std::uint64_t ext = d < 0 ? ~std::uint64_t{0} : 0;
      U128 borrow = 0;
      for (std::size_t i = 0; i <= kMaxScalarWords; ++i) {
        const U128 t =
            static_cast<U128>(v[i]) - (i == 0 ? sub : ext) - borrow;
        v[i] = static_cast<std::uint64_t>(t);
        borrow = (t >> 64) & 1;
      }
    }
    digits[count++] = static_cast<std::int8_t>(d);
    for (std::size_t i = 0; i < kMaxScalarWords; ++i) v[i] = v[i] >> 1 | v[i + 1] << 63;
    v[kMaxScalarWords] >>= 1;
  }
  return count;
}

// Signed odd digits of an odd k < 2^(5 (positions - 1) + 5): k = sum d_i 32^i with
// every d_i odd in [-31, 31]. Constant time.
inline void RecodeOdd(std::int8_t* digits, std::size_t positions, const Scalar& k) {
  std::uint64_t v[kMaxScalarWords + 1] = {};
  std::copy(k.begin(), k.end(), v);
  for (std::size_t i = 0; i + 1 < positions; ++i) {
    const std::int64_t d = static_cast<std::int64_t>(v[0] & 63) - 32;
    digits[i] = static_cast<std::int8_t>(d);
    // v = (v - d) / 32: add -d sign-extended, then shift.
    const std::uint64_t add = static_cast<std::uint64_t>(-d);
    const std::uint64_t ext = static_cast<std::uint64_t>((-d) >> 63);
    std::uint64_t carry = 0;
    for (std::size_t w = 0; w <= kMaxScalarWords; ++w) {
      const U128 t =
          static_cast<U128>(v[w]) + (w == 0 ? add : ext) + carry;
      v[w] = static_cast<std::uint64_t>(t);
      carry = static_cast<std::uint64_t>(t >> 64);
    }
    for (std::size_t w = 0; w < kMaxScalarWords; ++w) v[w] = v[w] >> 5 | v[w + 1] << 59;
    v[kMaxScalarWords] >>= 5;
  }
  digits[positions - 1] = static_cast<std::int8_t>(v[0]);
  tavrpki::SecureWipe(v, sizeof v);
}

template <class F>
std::uint64_t ZeroMask(const typename F::Element& a) {
  std::uint64_t x = 0;
  for (std::uint64_t w : a) x |= w;
  return tavrpki::ct::MaskZero(x);
}

}  // namespace detail

template <class F>
class CurveImpl final : public Curve {
 public:
  using Element = typename F::Element;
  using Point = Affine<F>;
  using Projective = LdPoint<F>;

  // The parameters were range-checked by the caller; G on the curve and n G = O are
  // checked here (CryptoException(kBadCurve)).
  CurveImpl(const F& field, const gf2m::NormalBasisMap* onb, const CurveParams& p,
            unsigned cofactor, const char* implementation)
      : Curve(p.m, p.n, cofactor, implementation),
        m_math(field, p.a, LoadOrFail(field, onb, p.b)),
        m_onb(onb) {
    Element stored1{};
    stored1[0] = 1;
    ToInternal(m_bit0, stored1);
    m_aElement = p.a != 0 ? F::One() : Element{};
    m_traceA = Field().Trace(m_aElement);
    m_g.x = LoadOrFail(field, onb, p.gx);
    m_g.y = LoadOrFail(field, onb, p.gy);
    if (!m_math.OnCurve(m_g) || field.IsZero(m_g.x)) Fail(kBadCurve);
    Projective check;
    MulVartime(check, m_g, Order().N());
    if (!field.IsZero(check.Z)) Fail(kBadCurve);
    BuildTables();
  }

  void PublicKey(const Scalar& d, MutableBytes x, MutableBytes y) const override {
    Point q;
    MulBase(q, d, ~std::uint64_t{0});
    StoreElement(x, q.x);
    StoreElement(y, q.y);
    tavrpki::SecureWipeObject(q);
  }

  std::uint64_t MatchesKey(const Scalar& d, Bytes x, Bytes y) const override {
    Point given;
    if (!LoadPoint(given, x, y)) return 0;
    Point q;
    MulBase(q, d, ~std::uint64_t{0});
    std::uint64_t diff = 0;
    for (std::size_t i = 0; i < F::kWords; ++i) diff |= (q.x[i] ^ given.x[i]) | (q.y[i] ^ given.y[i]);
    tavrpki::SecureWipeObject(q);
    return tavrpki::ct::MaskZero(diff);
  }

  std::uint64_t SignatureR(Bytes hash, const Scalar& e, Scalar& r) const override {
    Point R;
    MulBase(R, e, 0);
    const std::uint64_t feZero = detail::ZeroMask<F>(R.x);
    Element h, y;
    HashElement(h, hash);
    Field().Mul(y, h, R.x);
    std::uint8_t stored[gf2m::kMaxWords * 8];
    StoreElement(MutableBytes(stored, ElementBytes()), y);
    const std::uint64_t ok = Order().LoadTruncated(r, Bytes(stored, ElementBytes()), Order().Bits() - 1);
    tavrpki::SecureWipeObject(R);
    tavrpki::SecureWipeObject(y);
    return ok & ~feZero;
  }

  bool VerifyVartime(Bytes hash, const Scalar& r, const Scalar& s, Bytes qx, Bytes qy) const override {
    return VerifyAnyVartime(std::span<const Bytes>(&hash, 1), r, s, qx, qy) == 0;
  }

  int VerifyAnyVartime(std::span<const Bytes> hashes, const Scalar& r, const Scalar& s, Bytes qx,
                       Bytes qy) const override {
    Point q;
    if (!LoadPoint(q, qx, qy) || Field().IsZero(q.x)) return -1;
    std::array<Point, (1u << (detail::kWnafQ - 2))> qTable;
    OddMultiplesVartime(qTable.data(), qTable.size(), q);

    std::array<std::int8_t, detail::kMaxDigits> ds{}, dr{};
    const std::size_t ls = detail::Wnaf(ds, s, detail::kWnafG);
    const std::size_t lr = detail::Wnaf(dr, r, detail::kWnafQ);
    Projective acc;
    acc.X = F::One();  // O
    bool started = false;
    for (std::size_t i = std::max(ls, lr); i-- > 0;) {
      if (started) m_math.Double(acc, acc);
      if (i < ls && ds[i] != 0) {
        AddDigitVartime(acc, m_gOdd.data(), ds[i]);
        started = true;
      }
      if (i < lr && dr[i] != 0) {
        AddDigitVartime(acc, qTable.data(), dr[i]);
        started = true;
      }
    }
    if (Field().IsZero(acc.Z)) return -1;
    Point R;
    m_math.ToAffine(R, acc);
    for (std::size_t i = 0; i < hashes.size(); ++i) {
      Element h, y;
      HashElement(h, hashes[i]);
      Field().Mul(y, h, R.x);
      std::uint8_t stored[gf2m::kMaxWords * 8];
      StoreElement(MutableBytes(stored, ElementBytes()), y);
      Scalar check;
      Order().LoadTruncated(check, Bytes(stored, ElementBytes()), Order().Bits() - 1);
      if (check == r) return static_cast<int>(i);
    }
    return -1;
  }

  bool CheckPublicKeyVartime(Bytes x, Bytes y) const override {
    Point q;
    if (!LoadPoint(q, x, y)) return false;
    if (Field().IsZero(q.x)) return false;  // (0, sqrt b) has order 2; O has no affine form
    return InPrimeSubgroupVartime(q);
  }

  bool Compress(Bytes x, Bytes y, MutableBytes out) const override {
    Point p;
    if (!LoadPoint(p, x, y)) return false;
    CompressPoint(out, p);
    return true;
  }

  bool Decompress(Bytes c, MutableBytes x, MutableBytes y) const override {
    Point p;
    if (!DecompressPoint(p, c)) return false;
    StoreElement(x, p.x);
    StoreElement(y, p.y);
    return true;
  }

  bool Encapsulate(const Scalar& k, Bytes qx, Bytes qy, MutableBytes rCompressed,
                   MutableBytes sharedX) const override {
    Point q, hq;
    if (!LoadPoint(q, qx, qy) || !MulByCofactorVartime(hq, q)) return false;
    Point R;
    MulBase(R, k, 0);
    CompressPoint(rCompressed, R);
    Element x;
    const std::uint64_t ok = LadderX(x, hq.x, k);
    StoreElement(sharedX, x);
    tavrpki::SecureWipeObject(x);
    tavrpki::SecureWipeObject(R);
    return Declassify(ok) != 0;
  }

  bool Decapsulate(const Scalar& d, Bytes rCompressed, MutableBytes sharedX) const override {
    Point R, hr;
    if (!DecompressPoint(R, rCompressed) || !MulByCofactorVartime(hr, R)) return false;
    Element x;
    const std::uint64_t ok = LadderX(x, hr.x, d);
    StoreElement(sharedX, x);
    tavrpki::SecureWipeObject(x);
    return Declassify(ok) != 0;
  }

  bool DecapsulateBatch(const Scalar& d, std::span<const Bytes> rCompressed,
                        std::span<const MutableBytes> sharedX) const override {
    const unsigned h = Cofactor();
    if ((h & (h - 1)) != 0) {  // x-only cofactor doublings need h a power of two
      for (std::size_t i = 0; i < rCompressed.size(); ++i)
        if (!Decapsulate(d, rCompressed[i], sharedX[i])) return false;
      return true;
    }
    for (std::size_t at = 0; at < rCompressed.size(); at += detail::kLadderBatch) {
      const std::size_t count = std::min(detail::kLadderBatch, rCompressed.size() - at);
      if (!DecapsulateGroup(d, rCompressed.subspan(at, count), sharedX.subspan(at, count))) return false;
    }
    return true;
  }

  // The batched ladders run on `ladder` (one of LaneLadderOf<F>::Kernels) from now
  // on; set once, before the curve is shared.
  void UseLaneLadder(detail::LaneLadderFunction ladder) { m_laneLadder = ladder; }

  bool MulVartime(Bytes px, Bytes py, const Scalar& k, MutableBytes rx,
                  MutableBytes ry) const override {
    Point p;
    if (!LoadPoint(p, px, py)) return false;
    Projective r;
    if (Field().IsZero(p.x)) {  // order 2: k p = p or O
      if ((k[0] & 1) == 0) return false;
      r = CurveMath<F>::Lift(p);
    } else {
      MulVartime(r, p, k);
    }
    return StoreProjective(r, rx, ry);
  }

  bool AddVartime(Bytes px, Bytes py, Bytes qx, Bytes qy, MutableBytes rx,
                  MutableBytes ry) const override {
    Point p, q;
    if (!LoadPoint(p, px, py) || !LoadPoint(q, qx, qy)) return false;
    Projective r;
    m_math.AddMixedVartime(r, CurveMath<F>::Lift(p), q);
    return StoreProjective(r, rx, ry);
  }

 private:
  bool StoreProjective(const Projective& r, MutableBytes rx, MutableBytes ry) const {
    if (Field().IsZero(r.Z)) return false;
    Point a;
    m_math.ToAffine(a, r);
    StoreElement(rx, a.x);
    StoreElement(ry, a.y);
    return true;
  }

  // The order check by n p = O (p not of order 2).
  bool HasOrderNByMultiplicationVartime(const Point& p) const {
    Projective t;
    MulVartime(t, p, Order().N());
    return Field().IsZero(t.Z);
  }

  const F& Field() const { return m_math.Field(); }

  static Element LoadOrFail(const F& f, const gf2m::NormalBasisMap* onb, Bytes stored) {
    Element e;
    if (!f.FromBytesLE(e, stored)) Fail(kBadCurve);
    if (onb != nullptr) onb->ToPoly(f, e, e);
    return e;
  }

  void ToInternal(Element& r, const Element& stored) const {
    if (m_onb != nullptr) {
      m_onb->ToPoly(Field(), r, stored);
    } else {
      r = stored;
    }
  }

  // A stored number; false when it has bits at or above m.
  bool LoadElement(Element& r, Bytes stored) const {
    if (!Field().FromBytesLE(r, stored)) return false;
    ToInternal(r, r);
    return true;
  }

  void StoreElement(MutableBytes out, const Element& a) const {
    if (m_onb != nullptr) {
      Element s;
      m_onb->ToNormal(Field(), s, a);
      Field().ToBytesLE(out, s);
      tavrpki::SecureWipeObject(s);
    } else {
      Field().ToBytesLE(out, a);
    }
  }

  bool LoadPoint(Point& p, Bytes x, Bytes y) const {
    return LoadElement(p.x, x) && LoadElement(p.y, y) && m_math.OnCurve(p);
  }

  // The hash bytes read little-endian, truncated to m bits, as a stored number
  // (0 becomes 1).
  void HashElement(Element& h, Bytes hash) const {
    Element stored;
    Field().FromBytesTruncatedLE(stored, hash);
    stored[0] |= detail::ZeroMask<F>(stored) & 1;
    ToInternal(h, stored);
  }

  // Stored x with bit 0 replaced by Tr(y / x); 0 for x = 0.
  void CompressPoint(MutableBytes out, const Point& p) const {
    Element t;
    Field().Inv(t, p.x);
    Field().Mul(t, t, p.y);
    const unsigned bit = Field().Trace(t);
    StoreElement(out, p.x);
    const std::uint8_t nonzero = static_cast<std::uint8_t>(~detail::ZeroMask<F>(p.x) & 1);
    out[0] = static_cast<std::uint8_t>((out[0] & 0xFE) | (bit & nonzero));
  }

  bool DecompressPoint(Point& p, Bytes c) const {
    Element x;
    if (!LoadElement(x, c)) return false;
    if (Field().IsZero(x)) {  // 0 stands for (0, sqrt b)
      p.x = x;
      p.y = m_math.SqrtB();
      return true;
    }
    const unsigned k = c.empty() ? 0 : c[0] & 1;
    if (Field().Trace(x) != m_traceA) Field().Add(x, x, m_bit0);
    if (Field().IsZero(x)) return false;
    Element w, t;
    Field().Inv(t, x);
    Field().Sqr(t, t);
    Field().Mul(w, t, m_math.B());
    Field().Add(w, w, x);
    Field().Add(w, w, m_aElement);  // w = x + a + b / x^2
    Element z;
    if (!Field().SolveQuadraticVartime(z, w)) return false;
    if (Field().Trace(z) != k) Field().Add(z, z, F::One());
    p.x = x;
    Field().Mul(p.y, z, x);
    return true;
  }

  // r = (negate ? -k G : k G) for 0 < k < n; negate is a mask. Constant time.
  void MulBase(Point& r, const Scalar& k, std::uint64_t negate) const {
    const ScalarField& order = Order();
    Scalar odd, flipped;
    order.Neg(flipped, k);
    const std::uint64_t even = tavrpki::ct::MaskZero(k[0] & 1);
    for (std::size_t i = 0; i < kMaxScalarWords; ++i) odd[i] = tavrpki::ct::Select(even, flipped[i], k[i]);
    std::int8_t digits[detail::kMaxDigits];
    detail::RecodeOdd(digits, m_positions, odd);

    Point entry;
    SelectEntry(entry, &m_comb[0], digits[0]);
    Projective acc = CurveMath<F>::Lift(entry);
    for (std::size_t i = 1; i + 1 < m_positions; ++i) {
      SelectEntry(entry, &m_comb[i * detail::kCombRow], digits[i]);
      m_math.AddMixed(acc, acc, entry);
    }
    // The last window is the only one where acc = entry can happen (for a few
    // scalars near n); take the doubling there instead, by mask.
    if (m_positions > 1) {
      SelectEntry(entry, &m_comb[(m_positions - 1) * detail::kCombRow], digits[m_positions - 1]);
      AddMixedLast(acc, entry);
    }
    m_math.ToAffine(r, acc);
    m_math.ConditionalNegate(r, even ^ negate);
    tavrpki::SecureWipe(digits, sizeof digits);
    tavrpki::SecureWipeObject(odd);
    tavrpki::SecureWipeObject(flipped);
    tavrpki::SecureWipeObject(acc);
    tavrpki::SecureWipeObject(entry);
  }

  // acc = acc + q, with acc = q handled by doubling; acc = -q cannot occur here.
  void AddMixedLast(Projective& acc, const Point& q) const {
    Projective sum, twice;
    m_math.AddMixed(sum, acc, q);
    m_math.Double(twice, CurveMath<F>::Lift(q));
    const std::uint64_t same = detail::ZeroMask<F>(sum.Z);
    for (std::size_t i = 0; i < F::kWords; ++i) {
      acc.X[i] = tavrpki::ct::Select(same, twice.X[i], sum.X[i]);
      acc.Y[i] = tavrpki::ct::Select(same, twice.Y[i], sum.Y[i]);
      acc.Z[i] = tavrpki::ct::Select(same, twice.Z[i], sum.Z[i]);
    }
  }

  // entry = digit * (row's base) for an odd digit in [-31, 31], reading every entry.
  void SelectEntry(Point& entry, const Point* row, std::int8_t digit) const {
    const std::uint64_t neg = static_cast<std::uint64_t>(static_cast<std::int64_t>(digit) >> 63);
    const std::uint64_t magnitude = (static_cast<std::uint64_t>(static_cast<std::int64_t>(digit)) ^ neg) - neg;
    const std::uint64_t index = magnitude >> 1;
    entry = Point{};
    for (unsigned j = 0; j < detail::kCombRow; ++j) {
      const std::uint64_t mask = tavrpki::ct::MaskEqual(j, index);
      for (std::size_t w = 0; w < F::kWords; ++w) {
        entry.x[w] |= mask & row[j].x[w];
        entry.y[w] |= mask & row[j].y[w];
      }
    }
    m_math.ConditionalNegate(entry, neg);
  }

  // Up to kLadderBatch points of DecapsulateBatch. Only x is needed all the way: the
  // compressed form gives x (bit 0 from the trace, as DecompressPoint does), the point
  // exists when x + a + b / x^2 has trace 0, and h R and d h R have the x of their
  // x-only doublings and ladder, whatever the sign of y. Everything before the ladder
  // works on public points.
  bool DecapsulateGroup(const Scalar& d, std::span<const Bytes> rCompressed,
                        std::span<const MutableBytes> sharedX) const {
    const std::size_t count = rCompressed.size();
    // x and the Z of x(h R) = X / Z share one inversion: [0, count) the x, then the Z.
    std::array<Element, 2 * detail::kLadderBatch> xz{}, inv{};
    std::array<Element, detail::kLadderBatch> x{}, X{}, Z{};
    for (std::size_t i = 0; i < count; ++i) {
      if (!LoadElement(x[i], rCompressed[i]) || Field().IsZero(x[i])) return false;  // 0: order 2
      if (Field().Trace(x[i]) != m_traceA) Field().Add(x[i], x[i], m_bit0);
      if (Field().IsZero(x[i])) return false;
      X[i] = x[i];
      Z[i] = F::One();
      for (unsigned k = 1; k < Cofactor(); k <<= 1) m_math.LadderDouble(X[i], Z[i]);
      // Z = 0 only from a point of order 2, which has x = 0 and was refused above.
      if (Field().IsZero(Z[i])) return false;
      xz[i] = x[i];
      xz[count + i] = Z[i];
    }
    BatchInvertVartime(inv.data(), xz.data(), 2 * count);
    for (std::size_t i = 0; i < count; ++i) {
      Element w;
      Field().Sqr(w, inv[i]);
      Field().Mul(w, w, m_math.B());
      Field().Add(w, w, x[i]);
      Field().Add(w, w, m_aElement);  // x + a + b / x^2
      if (Field().Trace(w) != 0) return false;  // no y: not a curve point
    }
    for (std::size_t i = 0; i < count; ++i) Field().Mul(x[i], X[i], inv[count + i]);  // x(h R)

    // The ladders, as LadderX does for one point (the final swap included).
    std::array<Element, detail::kLadderBatch> X1{}, Z1{}, X2{}, Z2{};
    if constexpr (detail::LaneLadderOf<F>::kHas) {
      if (m_laneLadder != nullptr) {
        LaneLadders(X1.data(), Z1.data(), x.data(), count, d);
      } else {
        Ladders(X1.data(), Z1.data(), X2.data(), Z2.data(), x.data(), count, d);
      }
    } else {
      Ladders(X1.data(), Z1.data(), X2.data(), Z2.data(), x.data(), count, d);
    }
    std::uint64_t ok = ~std::uint64_t{0};
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t zero = detail::ZeroMask<F>(Z1[i]);
      ok &= ~zero;
      Z1[i][0] |= zero & 1;  // d h R = O cannot happen for 0 < d < n; keep the batch inversion defined
    }
    // One inversion for all: Montgomery's trick, constant time (Mul and Inv are).
    Element acc = Z1[0];
    for (std::size_t i = 1; i < count; ++i) {
      Field().Mul(Z[i], acc, Z1[i]);  // Z[i] = Z1[0] ... Z1[i]
      acc = Z[i];
    }
    Field().Inv(acc, acc);
    for (std::size_t i = count; i-- > 1;) {
      Element zi;
      Field().Mul(zi, acc, i > 1 ? Z[i - 1] : Z1[0]);
      Field().Mul(acc, acc, Z1[i]);
      Field().Mul(X1[i], X1[i], zi);
      tavrpki::SecureWipeObject(zi);
    }
    Field().Mul(X1[0], X1[0], acc);
    for (std::size_t i = 0; i < count; ++i) StoreElement(sharedX[i], X1[i]);
    tavrpki::SecureWipeObject(X1);
    tavrpki::SecureWipeObject(X2);
    tavrpki::SecureWipeObject(Z1);
    tavrpki::SecureWipeObject(Z2);
    tavrpki::SecureWipeObject(Z);
    tavrpki::SecureWipeObject(acc);
    return Declassify(ok) != 0;
  }

  // X1/Z1 = x(d P) for the count points of x-coordinate x, one ladder per point,
  // interleaved; X2/Z2 are the ladders' other halves.
  void Ladders(Element* X1, Element* Z1, Element* X2, Element* Z2, const Element* x, std::size_t count,
               const Scalar& d) const {
    for (std::size_t i = 0; i < count; ++i) {
      X1[i] = F::One();
      Z1[i] = Element{};
      X2[i] = x[i];
      Z2[i] = F::One();
    }
    std::uint64_t previous = 0;
    for (unsigned b = Order().Bits(); b-- > 0;) {
      const std::uint64_t bit = (d[b / 64] >> (b % 64)) & 1;
      const std::uint64_t swap = 0 - (bit ^ previous);
      previous = bit;
      for (std::size_t i = 0; i < count; ++i) {
        F::CondSwap(swap, X1[i], X2[i]);
        F::CondSwap(swap, Z1[i], Z2[i]);
      }
      for (std::size_t i = 0; i < count; ++i) m_math.LadderAdd(X2[i], Z2[i], X1[i], Z1[i], x[i]);
      for (std::size_t i = 0; i < count; ++i) m_math.LadderDouble(X1[i], Z1[i]);
    }
    for (std::size_t i = 0; i < count; ++i) {
      F::CondSwap(0 - previous, X1[i], X2[i]);
      F::CondSwap(0 - previous, Z1[i], Z2[i]);
    }
  }

  // Ladders() on the lane kernels: the points go into lanes (the unused lanes repeat
  // the first point) and X1/Z1 come out of them.
  void LaneLadders(Element* X1, Element* Z1, const Element* x, std::size_t count, const Scalar& d) const {
    constexpr std::size_t kWords = F::kWords, kLanes = 8;
    static_assert(detail::kLadderBatch == kLanes);
    alignas(64) std::uint64_t state[6 * kWords * kLanes];
    const auto put = [&](std::size_t element, std::size_t lane, const Element& value) {
      for (std::size_t w = 0; w < kWords; ++w) state[(element * kWords + w) * kLanes + lane] = value[w];
    };
    const auto get = [&](std::size_t element, std::size_t lane, Element& value) {
      for (std::size_t w = 0; w < kWords; ++w) value[w] = state[(element * kWords + w) * kLanes + lane];
    };
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      const Element& point = x[lane < count ? lane : 0];
      put(0, lane, point);
      put(1, lane, m_math.SqrtB());
      put(2, lane, F::One());
      put(3, lane, Element{});
      put(4, lane, point);
      put(5, lane, F::One());
    }
    m_laneLadder(state, d.data(), Order().Bits());
    for (std::size_t i = 0; i < count; ++i) {
      get(2, i, X1[i]);
      get(3, i, Z1[i]);
    }
    tavrpki::SecureWipe(state, sizeof state);
  }

  // out[i] = 1 / in[i] for nonzero public elements, one inversion for all.
  void BatchInvertVartime(Element* out, const Element* in, std::size_t count) const {
    std::array<Element, 2 * detail::kLadderBatch> prefix{};
    prefix[0] = in[0];
    for (std::size_t i = 1; i < count; ++i) Field().Mul(prefix[i], prefix[i - 1], in[i]);
    Element acc;
    Field().Inv(acc, prefix[count - 1]);
    for (std::size_t i = count; i-- > 1;) {
      Field().Mul(out[i], acc, prefix[i - 1]);
      Field().Mul(acc, acc, in[i]);
    }
    out[0] = acc;
  }

  // x = x(k P) for the point with x-coordinate px != 0, by the Montgomery-Lopez-Dahab
  // ladder over bitlen(n) bits. Returns all ones unless k P = O. Constant time in k.
  std::uint64_t LadderX(Element& x, const Element& px, const Scalar& k) const {
    Element X1 = F::One(), Z1{}, X2 = px, Z2 = F::One();
    std::uint64_t previous = 0;
    for (unsigned i = Order().Bits(); i-- > 0;) {
      const std::uint64_t bit = (k[i / 64] >> (i % 64)) & 1;
      const std::uint64_t swap = 0 - (bit ^ previous);
      F::CondSwap(swap, X1, X2);
      F::CondSwap(swap, Z1, Z2);
      previous = bit;
      m_math.LadderAdd(X2, Z2, X1, Z1, px);
      m_math.LadderDouble(X1, Z1);
    }
    const std::uint64_t swap = 0 - previous;
    F::CondSwap(swap, X1, X2);
    F::CondSwap(swap, Z1, Z2);
    const std::uint64_t ok = ~detail::ZeroMask<F>(Z1);
    Field().Inv(Z1, Z1);
    Field().Mul(x, X1, Z1);
    tavrpki::SecureWipeObject(X1);
    tavrpki::SecureWipeObject(X2);
    tavrpki::SecureWipeObject(Z1);
    tavrpki::SecureWipeObject(Z2);
    return ok;
  }

  void AddDigitVartime(Projective& acc, const Point* odd, int digit) const {
    if (digit > 0) {
      m_math.AddMixedVartime(acc, acc, odd[digit >> 1]);
    } else {
      Point neg = odd[(-digit) >> 1];
      m_math.ConditionalNegate(neg, ~std::uint64_t{0});
      m_math.AddMixedVartime(acc, acc, neg);
    }
  }

  // r = k p by width-5 wNAF; any k, any p.
  void MulVartime(Projective& r, const Point& p, const Scalar& k) const {
    std::array<Point, (1u << (detail::kWnafQ - 2))> table;
    OddMultiplesVartime(table.data(), table.size(), p);
    std::array<std::int8_t, detail::kMaxDigits> digits{};
    const std::size_t count = detail::Wnaf(digits, k, detail::kWnafQ);
    r = Projective{};
    r.X = F::One();
    for (std::size_t i = count; i-- > 0;) {
      m_math.Double(r, r);
      if (digits[i] != 0) AddDigitVartime(r, table.data(), digits[i]);
    }
  }

  // table[i] = (2i + 1) p. Requires p of order above 2 count.
  void OddMultiplesVartime(Point* table, std::size_t count, const Point& p) const {
    Projective twice;
    m_math.Double(twice, CurveMath<F>::Lift(p));
    Point d;
    m_math.ToAffine(d, twice);
    std::vector<Projective> multiples(count);
    multiples[0] = CurveMath<F>::Lift(p);
    for (std::size_t i = 1; i < count; ++i) m_math.AddMixedVartime(multiples[i], multiples[i - 1], d);
    BatchToAffine(table, multiples.data(), count);
  }

  // Affine forms of points none of which is O, with one inversion (Montgomery's trick).
  void BatchToAffine(Point* out, const Projective* in, std::size_t count) const {
    if (count == 0) return;
    std::vector<Element> prefix(count);
    prefix[0] = in[0].Z;
    for (std::size_t i = 1; i < count; ++i) Field().Mul(prefix[i], prefix[i - 1], in[i].Z);
    Element inv;
    Field().Inv(inv, prefix[count - 1]);
    for (std::size_t i = count; i-- > 0;) {
      Element zi;
      if (i > 0) {
        Field().Mul(zi, inv, prefix[i - 1]);
        Field().Mul(inv, inv, in[i].Z);
      } else {
        zi = inv;
      }
      Element zi2;
      Field().Sqr(zi2, zi);
      Field().Mul(out[i].x, in[i].X, zi);
      Field().Mul(out[i].y, in[i].Y, zi2);
    }
  }

  // h p, or false when it is O.
  bool MulByCofactorVartime(Point& r, const Point& p) const {
    if (Field().IsZero(p.x)) return false;  // (0, sqrt b) has order 2
    Projective t = CurveMath<F>::Lift(p);
    const unsigned h = Cofactor();
    if ((h & (h - 1)) == 0) {
      for (unsigned i = 1; i < h; i <<= 1) m_math.Double(t, t);
    } else {
      Scalar s{};
      s[0] = h;
      MulVartime(t, p, s);
    }
    if (Field().IsZero(t.Z)) return false;
    m_math.ToAffine(r, t);
    return true;
  }

  // p (a curve point, not O) has order n. With cofactor 2 that is p in 2E, i.e.
  // Tr(x) = Tr(a); with cofactor 4 (Tr(a) = 0) p must also halve into 2E: for
  // p = 2P, x(P)^2 = y + x (lambda + 1) with lambda^2 + lambda = x + a, so
  // Tr(y + x lambda + x) = Tr(a) (either root lambda gives the same trace). Other
  // cofactors: n p = O.
  bool InPrimeSubgroupVartime(const Point& p) const {
    const unsigned h = Cofactor();
    if (h == 2 || (h == 4 && m_traceA == 0)) {
      if (Field().Trace(p.x) != m_traceA) return false;
      if (h == 2) return true;
      Element w, lambda;
      Field().Add(w, p.x, m_aElement);
      if (!Field().SolveQuadraticVartime(lambda, w)) return false;
      Field().Mul(w, p.x, lambda);
      Field().Add(w, w, p.y);
      Field().Add(w, w, p.x);
      return Field().Trace(w) == m_traceA;
    }
    return HasOrderNByMultiplicationVartime(p);
  }

  void BuildTables() {
    const unsigned bits = Order().Bits();
    m_positions = (bits + detail::kCombWindow - 1) / detail::kCombWindow;
    m_comb.assign(static_cast<std::size_t>(m_positions) * detail::kCombRow, Point{});
    m_gOdd.assign(1u << (detail::kWnafG - 2), Point{});

    // Row i holds (2j+1) B_i with B_i = 32^i G: every multiple of B_i up to 32 B_i
    // by additions of B_i, the odd ones kept; 32 B_i is the next row's base.
    std::vector<Projective> odd;
    odd.reserve(m_comb.size() + m_gOdd.size());
    Point base = m_g;
    for (unsigned i = 0; i < m_positions; ++i) {
      const unsigned count = i == 0 ? 2 * static_cast<unsigned>(m_gOdd.size()) : 2 * detail::kCombRow;
      Projective multiple = CurveMath<F>::Lift(base), next{};
      std::vector<Projective> row;
      row.push_back(multiple);
      for (unsigned k = 2; k <= count; ++k) {
        m_math.AddMixedVartime(multiple, multiple, base);
        if (k == 2 * detail::kCombRow) next = multiple;
        if (k % 2 == 1) row.push_back(multiple);
      }
      for (unsigned j = 0; j < detail::kCombRow; ++j) odd.push_back(row[j]);
      if (i == 0) {
        std::vector<Point> g(row.size());
        BatchToAffine(g.data(), row.data(), row.size());
        std::copy(g.begin(), g.end(), m_gOdd.begin());
      }
      m_math.ToAffine(base, next);
    }
    BatchToAffine(m_comb.data(), odd.data(), odd.size());
  }

  CurveMath<F> m_math;
  const gf2m::NormalBasisMap* m_onb;
  detail::LaneLadderFunction m_laneLadder = nullptr;
  Element m_bit0{};      // the element whose stored number is 1
  Element m_aElement{};
  unsigned m_traceA = 0;
  Point m_g;
  unsigned m_positions = 0;
  std::vector<Point> m_comb;  // m_positions rows of kCombRow points
  std::vector<Point> m_gOdd;  // (2i+1) G for the verification wNAF
};

}  // namespace gostcrypto::ec

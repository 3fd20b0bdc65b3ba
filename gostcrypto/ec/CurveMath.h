// Point arithmetic on y^2 + x y = x^3 + a x^2 + b over a binary field F (any field
// type of gf2m/Field.h), a in {0, 1}.
//
// Points are affine (x, y) or Lopez-Dahab projective (X : Y : Z) with x = X/Z,
// y = Y/Z^2; Z = 0 is the point at infinity O. The formulas without `Vartime` in
// their name contain no branch on the coordinates; they assume their inputs avoid
// the exceptional cases named at each of them, which callers guarantee by the way
// they choose scalars. The `Vartime` functions handle every case and are used on
// public points only.
#pragma once

#include <cstdint>

namespace gostcrypto::ec {

template <class F>
struct Affine {
  typename F::Element x{}, y{};
};

template <class F>
struct LdPoint {
  typename F::Element X{}, Y{}, Z{};
};

template <class F>
class CurveMath {
 public:
  using Element = typename F::Element;

  CurveMath(const F& field, unsigned a, const Element& b) : m_f(field), m_a(a), m_b(b) {
    m_f.Sqrt(m_sqrtB, m_b);
  }

  const F& Field() const { return m_f; }
  unsigned A() const { return m_a; }
  const Element& B() const { return m_b; }
  const Element& SqrtB() const { return m_sqrtB; }

  static LdPoint<F> Lift(const Affine<F>& p) {
    LdPoint<F> r;
    r.X = p.x;
    r.Y = p.y;
    r.Z = F::One();
    return r;
  }

  // y^2 + x y = x^3 + a x^2 + b.
  bool OnCurve(const Affine<F>& p) const {
    Element lhs, rhs, t;
    m_f.Add(t, p.y, p.x);
    m_f.Mul(lhs, t, p.y);  // y (y + x)
    m_f.Sqr(t, p.x);
    if (m_a != 0) {
      m_f.Add(rhs, p.x, F::One());
      m_f.Mul(rhs, rhs, t);  // x^2 (x + 1)
    } else {
      m_f.Mul(rhs, t, p.x);
    }
    m_f.Add(rhs, rhs, m_b);
    return m_f.Equal(lhs, rhs);
  }

  // -(x, y) = (x, x + y), applied when mask is all ones.
  void ConditionalNegate(Affine<F>& p, std::uint64_t mask) const {
    for (std::size_t i = 0; i < F::kWords; ++i) p.y[i] ^= mask & p.x[i];
  }

  // r = 2p (4M + 4S, b not needed): with A = X Z and C = X^2 + Y, lambda = C / A, so
  // Z3 = A^2, X3 = C^2 + A C + a Z3, Y3 = X^4 Z3 + (Z3 + A C) X3. Correct for every
  // p: O (Z = 0) and the point of order 2 (X = 0) both give Z3 = 0.
  void Double(LdPoint<F>& r, const LdPoint<F>& p) const {
    Element A, B, C, D, z3, x3;
    m_f.Mul(A, p.X, p.Z);
    m_f.Sqr(B, p.X);
    m_f.Add(C, B, p.Y);
    m_f.Mul(D, A, C);
    m_f.Sqr(z3, A);
    m_f.Sqr(x3, C);
    m_f.Add(x3, x3, D);
    if (m_a != 0) m_f.Add(x3, x3, z3);
    m_f.Add(D, D, z3);
    m_f.Mul(D, D, x3);  // (Z3 + A C) X3
    m_f.Sqr(B, B);
    m_f.Mul(B, B, z3);  // X^4 Z3
    m_f.Add(r.Y, D, B);
    r.X = x3;
    r.Z = z3;
  }

  // r = p + q for projective p and affine q (8M + 5S). Exceptional: p = O, p = q,
  // p = -q (the result then has Z = 0 and is wrong).
  void AddMixed(LdPoint<F>& r, const LdPoint<F>& p, const Affine<F>& q) const {
    Element z2, A, B;
    Prepare(z2, A, B, p, q);
    Finish(r, p, q, z2, A, B);
  }

  // AddMixed with every case handled.
  void AddMixedVartime(LdPoint<F>& r, const LdPoint<F>& p, const Affine<F>& q) const {
    if (m_f.IsZero(p.Z)) {
      r = Lift(q);
      return;
    }
    Element z2, A, B;
    Prepare(z2, A, B, p, q);
    if (m_f.IsZero(B)) {  // same x: p = q or p = -q
      if (m_f.IsZero(A)) {
        Double(r, Lift(q));
      } else {
        r = LdPoint<F>{};
        r.X = F::One();
      }
      return;
    }
    Finish(r, p, q, z2, A, B);
  }

  // Affine form of p; O (Z = 0) gives (0, 0). Constant time.
  void ToAffine(Affine<F>& r, const LdPoint<F>& p) const {
    Element zi, zi2;
    m_f.Inv(zi, p.Z);
    m_f.Sqr(zi2, zi);
    m_f.Mul(r.x, p.X, zi);
    m_f.Mul(r.y, p.Y, zi2);
  }

  // x(P1 + P2) from x(P1) = X1/Z1, x(P2) = X2/Z2 and x = x(P2 - P1) (Lopez-Dahab).
  void LadderAdd(Element& X1, Element& Z1, const Element& X2, const Element& Z2,
                 const Element& x) const {
    Element t1, t2;
    m_f.Mul(t1, X1, Z2);
    m_f.Mul(t2, X2, Z1);
    m_f.Add(Z1, t1, t2);
    m_f.Sqr(Z1, Z1);
    m_f.Mul(t1, t1, t2);
    m_f.Mul(X1, x, Z1);
    m_f.Add(X1, X1, t1);
  }

  // x(2P) from x(P) = X/Z: X' = (X^2 + sqrt(b) Z^2)^2, Z' = X^2 Z^2.
  void LadderDouble(Element& X, Element& Z) const {
    Element x2, z2;
    m_f.Sqr(x2, X);
    m_f.Sqr(z2, Z);
    m_f.Mul(Z, x2, z2);
    m_f.Mul(z2, z2, m_sqrtB);
    m_f.Add(X, x2, z2);
    m_f.Sqr(X, X);
  }

 private:
  // The first steps of the mixed addition: z2 = Z1^2, A = Y1 + y2 Z1^2, B = X1 + x2 Z1.
  void Prepare(Element& z2, Element& A, Element& B, const LdPoint<F>& p, const Affine<F>& q) const {
    m_f.Sqr(z2, p.Z);
    m_f.Mul(A, q.y, z2);
    m_f.Add(A, A, p.Y);
    m_f.Mul(B, q.x, p.Z);
    m_f.Add(B, B, p.X);
  }

  // The rest (r may alias p; p is not read after its first line).
  void Finish(LdPoint<F>& r, const LdPoint<F>& p, const Affine<F>& q, Element& t, const Element& A,
              const Element& B) const {
    Element C, D, E;
    m_f.Mul(C, p.Z, B);        // C = Z1 B
    if (m_a != 0) m_f.Add(t, C, t); else t = C;
    m_f.Sqr(D, B);
    m_f.Mul(D, D, t);          // D = B^2 (C + a Z1^2)
    Element z3, x3;
    m_f.Sqr(z3, C);            // Z3 = C^2
    m_f.Mul(E, A, C);          // E = A C
    m_f.Sqr(x3, A);
    m_f.Add(x3, x3, D);
    m_f.Add(x3, x3, E);        // X3 = A^2 + D + E
    Element fx, g;
    m_f.Mul(fx, q.x, z3);
    m_f.Add(fx, fx, x3);       // F = X3 + x2 Z3
    m_f.Add(g, q.x, q.y);
    m_f.Sqr(t, z3);
    m_f.Mul(g, g, t);          // G = (x2 + y2) Z3^2
    m_f.Add(E, E, z3);
    m_f.Mul(E, E, fx);
    m_f.Add(r.Y, E, g);        // Y3 = (E + Z3) F + G
    r.X = x3;
    r.Z = z3;
  }

  F m_f;
  unsigned m_a;
  Element m_b;
  Element m_sqrtB;
};

}  // namespace gostcrypto::ec

// Algorithms shared by every field type F (PolyField, GenericField): they need only
// F's Mul, Sqr, SqrN, Add, Trace and the element layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace gostcrypto::gf2m::detail {

// Bit i of the result is Tr(t^i) for the field modulo t^m + t^K... + 1, from Newton's
// identities on the power sums of the roots of f: in characteristic 2,
// p_k = sum_{j<k} f_{m-j} p_{k-j} + (k odd) f_{m-k}, and only the few exponents m - K
// contribute to the sum.
template <class Element>
constexpr Element TraceMask(unsigned m, std::span<const unsigned> k) {
  Element mask{};
  auto bit = [&](unsigned i) { return (mask[i / 64] >> (i % 64)) & 1; };
  mask[0] = m & 1;  // Tr(1) = m mod 2
  for (unsigned i = 1; i < m; ++i) {
    std::uint64_t p = 0;
    for (unsigned kk : k) {
      if (kk == 0) continue;
      const unsigned j = m - kk;  // f_{m-j} = f_kk = 1
      if (j < i) p ^= bit(i - j);
      if (j == i && (i & 1)) p ^= 1;
    }
    mask[i / 64] |= p << (i % 64);
  }
  return mask;
}

// r = a^-1 = a^(2^m - 2) by Itoh-Tsujii: with b_k = a^(2^k - 1),
// b_(i+j) = b_i^(2^j) * b_j, along the binary addition chain of m - 1; then
// a^-1 = b_(m-1)^2. The chain depends only on m, so the time does not depend on a.
// Inv(0) = 0. sqrN(t, b, k) computes t = b^(2^k).
template <class F, class SqrNFn>
void InvItohTsujii(const F& f, typename F::Element& r, const typename F::Element& a, SqrNFn&& sqrN) {
  const unsigned e = f.Degree() - 1;
  unsigned top = 31 - static_cast<unsigned>(__builtin_clz(e));
  typename F::Element b = a, t;
  unsigned k = 1;  // b = a^(2^k - 1)
  while (top-- > 0) {
    sqrN(t, b, k);
    f.Mul(b, t, b);
    k *= 2;
    if ((e >> top) & 1) {
      f.Sqr(t, b);
      f.Mul(b, t, a);
      k += 1;
    }
  }
  f.Sqr(r, b);
}

template <class F>
void InvItohTsujii(const F& f, typename F::Element& r, const typename F::Element& a) {
  InvItohTsujii(f, r, a, [&](auto& t, const auto& b, unsigned k) { f.SqrN(t, b, k); });
}

// The squaring counts k of the Itoh-Tsujii chain of degree m, in chain order.
inline std::vector<unsigned> ItohTsujiiSteps(unsigned m) {
  std::vector<unsigned> steps;
  const unsigned e = m - 1;
  unsigned top = 31 - static_cast<unsigned>(__builtin_clz(e)), k = 1;
  while (top-- > 0) {
    steps.push_back(k);
    k = 2 * k + ((e >> top) & 1);
  }
  return steps;
}

// x -> x^(2^n) is linear over GF(2); row i of its matrix is (t^i)^(2^n). Applying it
// costs m masked row XORs whatever x is, which beats n squarings for large n.
template <class F>
struct PowerMatrix {
  unsigned n = 0;
  std::vector<typename F::Element> rows;

  PowerMatrix(const F& f, unsigned power) : n(power), rows(f.Degree()) {
    typename F::Element step{};
    step[0] = 2;  // t
    f.SqrN(step, step, n);
    rows[0] = typename F::Element{1};
    for (unsigned i = 1; i < f.Degree(); ++i) f.Mul(rows[i], rows[i - 1], step);
  }

  // r = a^(2^n); r may alias a.
  void Apply(typename F::Element& r, const typename F::Element& a) const {
    typename F::Element acc{};
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const std::uint64_t mask = 0 - ((a[i / 64] >> (i % 64)) & 1);
      const auto& row = rows[i];
      for (std::size_t w = 0; w < acc.size(); ++w) acc[w] ^= row[w] & mask;
    }
    r = acc;
  }
};

// r = sum_{i=0}^{(m-1)/2} a^(4^i); for m odd and Tr(a) = 0 it solves r^2 + r = a.
template <class F>
void HalfTraceBySquaring(const F& f, typename F::Element& r, const typename F::Element& a) {
  typename F::Element s = a, h = a;
  for (unsigned i = 0; i < (f.Degree() - 1) / 2; ++i) {
    f.SqrN(s, s, 2);
    f.Add(h, h, s);
  }
  r = h;
}

// z with z^2 + z = a, or false when Tr(a) = 1. For even m it follows IEEE 1363
// A.4.7 with tau = the first t^i of trace 1. Variable time: public inputs only.
template <class F>
bool SolveQuadratic(const F& f, typename F::Element& z, const typename F::Element& a) {
  using Element = typename F::Element;
  if (f.Trace(a) != 0) return false;
  if (f.Degree() % 2 == 1) {
    f.HalfTrace(z, a);
    return true;
  }
  for (unsigned i = 1; i < f.Degree(); ++i) {
    Element tau{};
    tau[i / 64] = std::uint64_t{1} << (i % 64);
    if (f.Trace(tau) == 0) continue;
    Element x{}, w = a, t;
    for (unsigned j = 1; j < f.Degree(); ++j) {
      f.Sqr(x, x);
      f.Sqr(t, w);
      f.Mul(t, t, tau);
      f.Add(x, x, t);
      f.Sqr(w, w);
      f.Add(w, w, a);
    }
    f.Sqr(t, x);
    f.Add(t, t, x);
    if (f.Equal(t, a)) {
      z = x;
      return true;
    }
  }
  return false;  // unreachable for an irreducible polynomial
}

// r = the little-endian bytes; false (and r = 0) when a bit at or above m is set.
template <class Element>
bool BytesToElement(Element& r, std::span<const std::uint8_t> bytes, unsigned m,
                    std::size_t words) {
  r = Element{};
  std::uint64_t excess = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint64_t byte = bytes[i];
    const std::size_t bit = 8 * i;
    if (bit >= m) {
      excess |= byte;
      continue;
    }
    if (bit + 8 > m) excess |= byte >> (m - bit);
    r[i / 8] |= byte << (bit % 64);
  }
  const unsigned top = m % 64;
  if (top != 0) r[words - 1] &= (std::uint64_t{1} << top) - 1;
  if (excess != 0) {
    r = Element{};
    return false;
  }
  return true;
}

// The low m bits of the little-endian bytes.
template <class Element>
void BytesToElementTruncated(Element& r, std::span<const std::uint8_t> bytes, unsigned m,
                             std::size_t words) {
  r = Element{};
  for (std::size_t i = 0; i < bytes.size() && i < 8 * words; ++i) {
    r[i / 8] |= std::uint64_t{bytes[i]} << (8 * (i % 8));
  }
  const unsigned top = m % 64;
  if (top != 0) r[words - 1] &= (std::uint64_t{1} << top) - 1;
}

// Writes all of `out`, least significant byte first, zeros past the element.
template <class Element>
void ElementToBytes(std::span<std::uint8_t> out, const Element& a, unsigned m) {
  if (out.size() < (m + 7) / 8) throw std::length_error("gf2m: output shorter than the field");
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = i / 8 < a.size() ? static_cast<std::uint8_t>(a[i / 8] >> (8 * (i % 8))) : 0;
  }
}

}  // namespace gostcrypto::gf2m::detail

#include "GenericField.h"

#include <stdexcept>

#include "FieldOps.h"

namespace gostcrypto::gf2m {

GenericField::GenericField(unsigned m, unsigned k1, unsigned k2, unsigned k3)
    : m_m(m), m_words((m + 63) / 64) {
  const bool trinomial = k2 == 0 && k3 == 0;
  const bool pentanomial = k1 != 0 && k2 != 0 && k3 != 0 && k1 != k2 && k2 != k3 && k1 != k3;
  if (m < 2 || m > 64 * kMaxWords || k1 == 0 || !(trinomial || pentanomial) || k1 >= m ||
      k2 >= m || k3 >= m) {
    throw std::invalid_argument("gf2m: unusable reduction polynomial");
  }
  const unsigned exponents[] = {0, k1, k2, k3};
  for (unsigned k : exponents) m_low[k / 64] |= std::uint64_t{1} << (k % 64);
  m_traceMask = detail::TraceMask<Element>(m, std::span(exponents).subspan(1));
}

void GenericField::Add(Element& r, const Element& a, const Element& b) const {
  for (std::size_t i = 0; i < kWords; ++i) r[i] = a[i] ^ b[i];
}

void GenericField::MulByT(Element& r) const {
  const unsigned top = (m_m - 1) % 64;
  const std::uint64_t carry = 0 - ((r[(m_m - 1) / 64] >> top) & 1);  // coefficient of t^(m-1)
  for (std::size_t i = kWords; i-- > 1;) r[i] = (r[i] << 1) | (r[i - 1] >> 63);
  r[0] <<= 1;
  r[(m_m - 1) / 64] &= top == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << top) - 1;
  if (m_m % 64 == 0 && m_m / 64 < kWords) r[m_m / 64] = 0;
  for (std::size_t i = 0; i < kWords; ++i) r[i] ^= m_low[i] & carry;
}

// Horner's rule from the top bit of a: r = r * t + a_i * b.
void GenericField::Mul(Element& r, const Element& a, const Element& b) const {
  Element acc{};
  for (unsigned i = m_m; i-- > 0;) {
    MulByT(acc);
    const std::uint64_t bit = 0 - ((a[i / 64] >> (i % 64)) & 1);
    for (std::size_t w = 0; w < kWords; ++w) acc[w] ^= b[w] & bit;
  }
  r = acc;
}

void GenericField::Sqr(Element& r, const Element& a) const { Mul(r, a, a); }

void GenericField::SqrN(Element& r, const Element& a, unsigned n) const {
  r = a;
  for (unsigned i = 0; i < n; ++i) Sqr(r, r);
}

void GenericField::Sqrt(Element& r, const Element& a) const { SqrN(r, a, m_m - 1); }

void GenericField::Inv(Element& r, const Element& a) const { detail::InvItohTsujii(*this, r, a); }

unsigned GenericField::Trace(const Element& a) const {
  std::uint64_t x = 0;
  for (std::size_t i = 0; i < kWords; ++i) x ^= a[i] & m_traceMask[i];
  return static_cast<unsigned>(__builtin_parityll(x));
}

void GenericField::HalfTrace(Element& r, const Element& a) const {
  detail::HalfTraceBySquaring(*this, r, a);
}

bool GenericField::SolveQuadraticVartime(Element& z, const Element& a) const {
  return detail::SolveQuadratic(*this, z, a);
}

bool GenericField::IsZero(const Element& a) const {
  std::uint64_t x = 0;
  for (std::size_t i = 0; i < kWords; ++i) x |= a[i];
  return x == 0;
}

bool GenericField::Equal(const Element& a, const Element& b) const {
  std::uint64_t x = 0;
  for (std::size_t i = 0; i < kWords; ++i) x |= a[i] ^ b[i];
  return x == 0;
}

void GenericField::Select(Element& r, std::uint64_t mask, const Element& a, const Element& b) {
  for (std::size_t i = 0; i < kWords; ++i) r[i] = b[i] ^ (mask & (a[i] ^ b[i]));
}

void GenericField::CondSwap(std::uint64_t mask, Element& a, Element& b) {
  for (std::size_t i = 0; i < kWords; ++i) {
    const std::uint64_t d = mask & (a[i] ^ b[i]);
    a[i] ^= d;
    b[i] ^= d;
  }
}

bool GenericField::FromBytesLE(Element& r, std::span<const std::uint8_t> bytes) const {
  return detail::BytesToElement(r, bytes, m_m, m_words);
}

void GenericField::FromBytesTruncatedLE(Element& r, std::span<const std::uint8_t> bytes) const {
  detail::BytesToElementTruncated(r, bytes, m_m, m_words);
}

void GenericField::ToBytesLE(std::span<std::uint8_t> out, const Element& a) const {
  detail::ElementToBytes(out, a, m_m);
}

}  // namespace gostcrypto::gf2m

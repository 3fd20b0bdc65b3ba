#include "ec/Scalar.h"

#include "gostcrypto/ConstantTime.h"
#include "gostcrypto/Wipe.h"
#include "ec/Errors.h"

namespace gostcrypto::ec {
namespace {

using tavrpki::ct::MaskNonZero;
using tavrpki::ct::Select;

// a - b over `words` words; returns the final borrow (0 or 1).
std::uint64_t SubWords(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b,
                       std::size_t words) {
  std::uint64_t borrow = 0;
  for (std::size_t i = 0; i < words; ++i) {
    const U128 d = static_cast<U128>(a[i]) - b[i] - borrow;
    r[i] = static_cast<std::uint64_t>(d);
    borrow = static_cast<std::uint64_t>(d >> 64) & 1;
  }
  return borrow;
}

}  // namespace

ScalarField::ScalarField(std::span<const std::uint8_t> nLE) {
  std::size_t top = nLE.size();
  while (top > 0 && nLE[top - 1] == 0) --top;
  if (top == 0 || top > 8 * kMaxScalarWords || (nLE[0] & 1) == 0 || top < 9) Fail(kBadCurve);
  for (std::size_t i = 0; i < top; ++i) m_n[i / 8] |= std::uint64_t{nLE[i]} << (8 * (i % 8));
  m_words = (top + 7) / 8;
  m_bits = static_cast<unsigned>(64 * (m_words - 1) + 64 - __builtin_clzll(m_n[m_words - 1]));

  // Newton iteration for n^-1 mod 2^64: each step doubles the correct low bits.
  std::uint64_t inv = 1;
  for (int i = 0; i < 7; ++i) inv *= 2 - m_n[0] * inv;
  m_n0 = 0 - inv;

  // 2^(128 Words()) mod n by doubling 1; n is public, so plain branches are fine.
  Scalar x{};
  x[0] = 1;
  for (std::size_t i = 0; i < 128 * m_words; ++i) {
    std::uint64_t carry = 0;
    for (std::size_t w = 0; w < m_words; ++w) {
      const std::uint64_t next = x[w] >> 63;
      x[w] = x[w] << 1 | carry;
      carry = next;
    }
    ReduceOnce(x, x, carry);
  }
  m_rr = x;
  Scalar one{};
  one[0] = 1;
  MontMul(m_r, m_rr, one);
}

void ScalarField::ReduceOnce(Scalar& r, const Scalar& a, std::uint64_t carry) const {
  Scalar d{};
  const std::uint64_t borrow = SubWords(d.data(), a.data(), m_n.data(), m_words);
  // Keep a - n when it did not borrow, or when a had a carry word beyond n's words.
  const std::uint64_t take = MaskNonZero(carry | (borrow ^ 1));
  for (std::size_t i = 0; i < m_words; ++i) r[i] = Select(take, d[i], a[i]);
  for (std::size_t i = m_words; i < kMaxScalarWords; ++i) r[i] = 0;
}

std::uint64_t ScalarField::Load(Scalar& r, std::span<const std::uint8_t> bytes) const {
  r = Scalar{};
  std::uint64_t excess = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i < 8 * m_words) {
      r[i / 8] |= std::uint64_t{bytes[i]} << (8 * (i % 8));
    } else {
      excess |= bytes[i];
    }
  }
  return LessThanNMask(r) & ~ZeroMask(r) & ~MaskNonZero(excess);
}

std::uint64_t ScalarField::LoadTruncated(Scalar& r, std::span<const std::uint8_t> bytes,
                                         unsigned bits) const {
  r = Scalar{};
  for (std::size_t i = 0; i < bytes.size() && 8 * i < bits; ++i) {
    r[i / 8] |= std::uint64_t{bytes[i]} << (8 * (i % 8));
  }
  const std::size_t full = bits / 64;
  if (bits % 64 != 0) r[full] &= (std::uint64_t{1} << (bits % 64)) - 1;
  for (std::size_t i = (bits + 63) / 64; i < kMaxScalarWords; ++i) r[i] = 0;
  return LessThanNMask(r) & ~ZeroMask(r);
}

std::uint64_t ScalarField::LoadReduced(Scalar& r, std::span<const std::uint8_t> bytes) const {
  // x = low + high 2^(64 W) with W = Words(): x mod n = (low mod n) + high (2^(64 W) mod n).
  // low < 2^(64 W) is a valid Montgomery operand: MontMul(low, R^2) = low R mod n,
  // and a second MontMul by 1 leaves low mod n.
  Scalar low{}, high{}, one{}, t;
  one[0] = 1;
  for (std::size_t i = 0; i < 8 * m_words && i < bytes.size(); ++i)
    low[i / 8] |= std::uint64_t{bytes[i]} << (8 * (i % 8));
  for (std::size_t i = 8 * m_words; i < 8 * (m_words + 1) && i < bytes.size(); ++i)
    high[0] |= std::uint64_t{bytes[i]} << (8 * (i % 8));
  MontMul(t, low, m_rr);
  MontMul(low, t, one);
  Mul(high, high, m_r);  // high < 2^64 < n
  Add(r, low, high);
  tavrpki::SecureWipeObject(low);
  tavrpki::SecureWipeObject(high);
  tavrpki::SecureWipeObject(t);
  return ~ZeroMask(r);
}

void ScalarField::Store(std::span<std::uint8_t> out, const Scalar& a) const {
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = i / 8 < kMaxScalarWords ? static_cast<std::uint8_t>(a[i / 8] >> (8 * (i % 8))) : 0;
  }
}

void ScalarField::Add(Scalar& r, const Scalar& a, const Scalar& b) const {
  Scalar s{};
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < m_words; ++i) {
    const U128 t = static_cast<U128>(a[i]) + b[i] + carry;
    s[i] = static_cast<std::uint64_t>(t);
    carry = static_cast<std::uint64_t>(t >> 64);
  }
  ReduceOnce(r, s, carry);
}

void ScalarField::Neg(Scalar& r, const Scalar& a) const {
  Scalar d{};
  SubWords(d.data(), m_n.data(), a.data(), m_words);
  const std::uint64_t zero = ZeroMask(a);
  for (std::size_t i = 0; i < m_words; ++i) r[i] = Select(zero, 0, d[i]);
  for (std::size_t i = m_words; i < kMaxScalarWords; ++i) r[i] = 0;
}

void ScalarField::MontMul(Scalar& r, const Scalar& a, const Scalar& b) const {
  // CIOS: one word of b at a time, each followed by one Montgomery reduction step.
  std::uint64_t t[kMaxScalarWords + 2] = {};
  const std::size_t n = m_words;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; j < n; ++j) {
      const U128 p = static_cast<U128>(a[j]) * b[i] + t[j] + carry;
      t[j] = static_cast<std::uint64_t>(p);
      carry = static_cast<std::uint64_t>(p >> 64);
    }
    U128 s = static_cast<U128>(t[n]) + carry;
    t[n] = static_cast<std::uint64_t>(s);
    t[n + 1] = static_cast<std::uint64_t>(s >> 64);

    const std::uint64_t q = t[0] * m_n0;
    U128 p = static_cast<U128>(q) * m_n[0] + t[0];
    carry = static_cast<std::uint64_t>(p >> 64);
    for (std::size_t j = 1; j < n; ++j) {
      p = static_cast<U128>(q) * m_n[j] + t[j] + carry;
      t[j - 1] = static_cast<std::uint64_t>(p);
      carry = static_cast<std::uint64_t>(p >> 64);
    }
    s = static_cast<U128>(t[n]) + carry;
    t[n - 1] = static_cast<std::uint64_t>(s);
    t[n] = t[n + 1] + static_cast<std::uint64_t>(s >> 64);
  }
  Scalar v{};
  for (std::size_t i = 0; i < n; ++i) v[i] = t[i];
  ReduceOnce(r, v, t[n]);
  tavrpki::SecureWipe(t, sizeof t);
  tavrpki::SecureWipeObject(v);
}

void ScalarField::Mul(Scalar& r, const Scalar& a, const Scalar& b) const {
  Scalar t;
  MontMul(t, a, b);     // a b / R
  MontMul(r, t, m_rr);  // a b / R * R^2 / R = a b
  tavrpki::SecureWipeObject(t);
}

std::uint64_t ScalarField::ZeroMask(const Scalar& a) const {
  std::uint64_t x = 0;
  for (std::size_t i = 0; i < kMaxScalarWords; ++i) x |= a[i];
  return ~MaskNonZero(x);
}

std::uint64_t ScalarField::LessThanNMask(const Scalar& a) const {
  Scalar d{};
  std::uint64_t above = 0;
  for (std::size_t i = m_words; i < kMaxScalarWords; ++i) above |= a[i];
  const std::uint64_t borrow = SubWords(d.data(), a.data(), m_n.data(), m_words);
  return MaskNonZero(borrow) & ~MaskNonZero(above);
}

}  // namespace gostcrypto::ec

// Seeded property tests: the field laws on random and extreme elements, and every
// specialised field against the generic field.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "FieldTypes.h"

namespace tavrpki::test::gf2m {
namespace {

// 0, 1, t^(m-1), all ones (every column of the word products full), then random
// elements, every fourth one dense and every fourth sparse.
template <class F>
std::vector<typename F::Element> Samples(const F& f, std::mt19937_64& rng, int count) {
  const unsigned m = f.Degree();
  typename F::Element x{};
  std::vector<typename F::Element> out{x, F::One()};
  x[(m - 1) / 64] = std::uint64_t{1} << ((m - 1) % 64);
  out.push_back(x);
  std::vector<std::uint8_t> bytes(f.Bytes());
  for (int n = -1; n < count; ++n) {
    for (auto& byte : bytes) {
      const std::uint64_t bits = n % 4 == 1 ? rng() | rng() : n % 4 == 2 ? rng() & rng() & rng() : rng();
      byte = n < 0 ? 0xFF : static_cast<std::uint8_t>(bits);
    }
    f.FromBytesTruncatedLE(x, bytes);
    out.push_back(x);
  }
  return out;
}

// A named field's results must match the generic field with the same polynomial word
// for word, so a result with bits at or above m never matches.
template <CpuPath P, unsigned M, unsigned... K, class E>
void CompareWithGeneric(const PolyField<P, M, K...>& f, const E& a, const E& b, unsigned k) {
  using G = GenericField::Element;
  const auto generic = [](const E& x) { return ElementFromHex<G>(ElementToHex(x)); };
  const GenericField g = GenericTwinOf(f);
  E r;
  G expected;
  f.Mul(r, a, b);
  g.Mul(expected, generic(a), generic(b));
  ASSERT_EQ(ElementToHex(r), ElementToHex(expected)) << "Mul " << ElementToHex(a) << " * " << ElementToHex(b);
  f.SqrN(r, a, k);
  g.SqrN(expected, generic(a), k);
  ASSERT_EQ(ElementToHex(r), ElementToHex(expected)) << "SqrN " << k << " of " << ElementToHex(a);
  EXPECT_EQ(f.Trace(a), g.Trace(generic(a)));
}

template <class E>
void CompareWithGeneric(const GenericField&, const E&, const E&, unsigned) {}

template <class F>
void CheckField(const F& f, std::uint64_t seed, int count) {
  using E = typename F::Element;
  const unsigned m = f.Degree();
  SCOPED_TRACE(std::to_string(m) + " " + gostcrypto::PathName(f.Path()));
  std::mt19937_64 rng(seed * 31 + m);
  const auto xs = Samples(f, rng, count);
  const E one = F::One();
  for (std::size_t n = 0; n < xs.size(); ++n) {
    const E& a = xs[n];
    const E& b = xs[(n * 5 + 1) % xs.size()];
    const E& c = xs[(n * 11 + 2) % xs.size()];
    CompareWithGeneric(f, a, b, 1 + static_cast<unsigned>(n % 9));
    E l, r, t;
    f.Mul(t, a, b);  // (ab)c == a(bc); with the comparison above this pins down Mul
    f.Mul(l, t, c);
    f.Mul(t, b, c);
    f.Mul(r, a, t);
    EXPECT_TRUE(f.Equal(l, r)) << "associativity";
    f.Sqr(l, a);  // a^2 == a*a, and the square root undoes it
    f.Mul(r, a, a);
    EXPECT_TRUE(f.Equal(l, r)) << "square";
    f.Sqrt(r, l);
    EXPECT_TRUE(f.Equal(r, a)) << "square root";
    f.Inv(l, a);  // a * a^-1 == 1; Inv(0) == 0
    f.Mul(r, l, a);
    EXPECT_TRUE(f.IsZero(a) ? f.IsZero(l) : f.Equal(r, one)) << "inverse of " << ElementToHex(a);
    f.Add(t, a, b);  // the trace is linear
    EXPECT_EQ(f.Trace(t), f.Trace(a) ^ f.Trace(b));
    E z;  // z^2 + z == a exactly when Tr(a) == 0
    const bool solvable = f.SolveQuadraticVartime(z, a);
    EXPECT_EQ(solvable, f.Trace(a) == 0);
    f.Sqr(t, z);
    f.Add(t, t, z);
    EXPECT_TRUE(!solvable || f.Equal(t, a)) << "quadratic " << ElementToHex(a);
    if (solvable && m % 2 == 1) {
      f.HalfTrace(r, a);
      EXPECT_TRUE(f.Equal(r, z) || (f.Add(r, r, one), f.Equal(r, z))) << "half trace";
    }
  }
}

TEST(Gf2mProperties, NamedFieldsKeepTheLawsAndAgreeWithGeneric) {
  ForEachNamedField([](const auto& f) { CheckField(f, 7, 40); });
}

// Fields with m at a word boundary, even m, and a known product, on the generic field.
TEST(Gf2mProperties, GenericFieldOtherPolynomials) {
  const GenericField aes(8, 1, 3, 4);  // t^8 + t^4 + t^3 + t + 1
  GenericField::Element r;
  aes.Mul(r, {0x53}, {0xCA});
  EXPECT_EQ(ElementToHex(r), "1");
  for (const GenericField& f : {aes, GenericField(64, 1, 3, 4), GenericField(128, 1, 2, 7),
                                GenericField(113, 9), GenericField(409, 87)}) {
    CheckField(f, 3, 4);
  }
}

TEST(Gf2mProperties, GenericFieldRejectsBadPolynomials) {
  EXPECT_THROW(GenericField(577, 1), std::invalid_argument);
  EXPECT_THROW(GenericField(163, 0), std::invalid_argument);
  EXPECT_THROW(GenericField(163, 163), std::invalid_argument);
  EXPECT_THROW(GenericField(163, 3, 3, 7), std::invalid_argument);
  EXPECT_THROW(GenericField(163, 3, 6), std::invalid_argument);
}

// Bytes: little-endian, exactly the low m bits; anything at or above m is refused.
TEST(Gf2mProperties, Bytes) {
  ForEachNamedField([](const auto& f) {
    using E = typename std::decay_t<decltype(f)>::Element;
    const unsigned m = f.Degree();
    SCOPED_TRACE(m);
    std::vector<std::uint8_t> bytes(f.Bytes() + 3, 0), out(f.Bytes());
    for (std::size_t i = 0; i < f.Bytes(); ++i) bytes[i] = static_cast<std::uint8_t>(0xA5 + 17 * i);
    bytes[f.Bytes() - 1] &= static_cast<std::uint8_t>((1u << (m % 8 == 0 ? 8 : m % 8)) - 1);
    E x;
    ASSERT_TRUE(f.FromBytesLE(x, bytes));  // trailing zero bytes are fine
    EXPECT_EQ(x[0] & 0xFF, 0xA5u);
    f.ToBytesLE(out, x);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin()));
    EXPECT_THROW(f.ToBytesLE(std::span(out).first(out.size() - 1), x), std::length_error);

    for (const std::size_t bit : {std::size_t{m}, 8 * bytes.size() - 1}) {  // bit m, far above m
      std::vector<std::uint8_t> high = bytes;
      high[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
      EXPECT_FALSE(f.FromBytesLE(x, high)) << bit;
      EXPECT_TRUE(f.IsZero(x));
    }
    const std::vector<std::uint8_t> ones(64, 0xFF);  // hash to element: keep the low m bits
    f.FromBytesTruncatedLE(x, ones);
    E expected{};
    for (unsigned i = 0; i < m; ++i) expected[i / 64] |= std::uint64_t{1} << (i % 64);
    EXPECT_TRUE(f.Equal(x, expected));
  });
}

}  // namespace
}  // namespace tavrpki::test::gf2m

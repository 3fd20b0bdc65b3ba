// Seeded property tests: every specialised field against the generic field, and the
// field laws, on random and on extreme elements (zero, one, all ones, t^(m-1)).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "FieldTypes.h"

namespace tavrpki::test::gf2m {
namespace {

template <class F>
std::vector<typename F::Element> Samples(const F& f, std::mt19937_64& rng, int count) {
  using E = typename F::Element;
  const unsigned m = f.Degree();
  const auto clip = [&](E& x) {
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (64 * i >= m) x[i] = 0;
      else if (64 * i + 64 > m) x[i] &= (std::uint64_t{1} << (m % 64)) - 1;
    }
  };
  std::vector<E> out;
  E x{};
  out.push_back(x);  // 0
  x[0] = 1;
  out.push_back(x);  // 1
  x = E{};
  x[(m - 1) / 64] = std::uint64_t{1} << ((m - 1) % 64);
  out.push_back(x);  // t^(m-1)
  for (auto& w : x) w = ~std::uint64_t{0};
  clip(x);
  out.push_back(x);  // all ones: every column of the word products is full
  for (int n = 0; n < count; ++n) {
    for (auto& w : x) w = rng();
    if (n % 4 == 1) for (auto& w : x) w |= rng();  // dense
    if (n % 4 == 2) for (auto& w : x) w &= rng() & rng();  // sparse
    clip(x);
    out.push_back(x);
  }
  return out;
}

// Copies between the specialised and the generic element layout. Every word is
// compared, so a result with bits at or above m never matches the generic one.
template <class To, class From>
To Convert(const From& x) {
  To r{};
  for (std::size_t i = 0; i < x.size() && i < r.size(); ++i) r[i] = x[i];
  return r;
}

template <class F>
void CompareWithGeneric(const F& f, std::uint64_t seed) {
  using E = typename F::Element;
  using G = GenericField::Element;
  const GenericField g = GenericTwinOf(f);
  const unsigned m = f.Degree();
  SCOPED_TRACE(std::to_string(m) + " " + gostcrypto::gf2m::PathName(f.Path()));
  std::mt19937_64 rng(seed + m);
  const auto xs = Samples(f, rng, 16);
  for (std::size_t n = 0; n < xs.size(); ++n) {
    const E& a = xs[n];
    const E& b = xs[(n * 7 + 3) % xs.size()];
    E r;
    G expected;
    f.Mul(r, a, b);
    g.Mul(expected, Convert<G>(a), Convert<G>(b));
    ASSERT_EQ(ElementToHex(r), ElementToHex(expected)) << "Mul " << ElementToHex(a) << " * " << ElementToHex(b);
    f.Sqr(r, a);
    g.Sqr(expected, Convert<G>(a));
    ASSERT_EQ(ElementToHex(r), ElementToHex(expected)) << "Sqr " << ElementToHex(a);
    const unsigned k = 1 + static_cast<unsigned>(n % 9);
    f.SqrN(r, a, k);
    g.SqrN(expected, Convert<G>(a), k);
    ASSERT_EQ(ElementToHex(r), ElementToHex(expected)) << "SqrN " << k;
    EXPECT_EQ(f.Trace(a), g.Trace(Convert<G>(a)));
    if (n % 4 == 0) {  // the generic inversion is slow
      f.Inv(r, a);
      g.Inv(expected, Convert<G>(a));
      ASSERT_EQ(ElementToHex(r), ElementToHex(expected)) << "Inv " << ElementToHex(a);
    }
  }
}

template <class F>
void CheckLaws(const F& f, std::uint64_t seed, int count) {
  using E = typename F::Element;
  const unsigned m = f.Degree();
  SCOPED_TRACE(std::to_string(m) + " " + gostcrypto::gf2m::PathName(f.Path()));
  std::mt19937_64 rng(seed * 31 + m);
  const auto xs = Samples(f, rng, count);
  const E one = F::One();
  for (std::size_t n = 0; n < xs.size(); ++n) {
    const E& a = xs[n];
    const E& b = xs[(n * 5 + 1) % xs.size()];
    const E& c = xs[(n * 11 + 2) % xs.size()];
    E l, r, t;
    f.Mul(t, a, b);  // (ab)c == a(bc)
    f.Mul(l, t, c);
    f.Mul(t, b, c);
    f.Mul(r, a, t);
    EXPECT_TRUE(f.Equal(l, r)) << "associativity";
    f.Add(t, b, c);  // a(b + c) == ab + ac
    f.Mul(l, a, t);
    f.Mul(t, a, b);
    f.Mul(r, a, c);
    f.Add(r, r, t);
    EXPECT_TRUE(f.Equal(l, r)) << "distributivity";
    f.Sqr(l, a);  // a^2 == a*a, and the square root undoes it
    f.Mul(r, a, a);
    EXPECT_TRUE(f.Equal(l, r)) << "square";
    f.Sqrt(r, l);
    EXPECT_TRUE(f.Equal(r, a)) << "square root";
    f.Inv(l, a);  // a * a^-1 == 1; Inv(0) == 0
    f.Mul(r, l, a);
    EXPECT_TRUE(f.IsZero(a) ? f.IsZero(l) : f.Equal(r, one)) << "inverse of " << ElementToHex(a);
    f.Add(t, a, b);  // the trace is linear and is the sum of the conjugates
    EXPECT_EQ(f.Trace(t), f.Trace(a) ^ f.Trace(b));
    if (n < 4) {
      E sum = a, conj = a;
      for (unsigned i = 1; i < m; ++i) {
        f.Sqr(conj, conj);
        f.Add(sum, sum, conj);
      }
      EXPECT_TRUE(f.Equal(sum, f.Trace(a) ? one : E{})) << "trace of " << ElementToHex(a);
    }
    E z;  // z^2 + z == a exactly when Tr(a) == 0
    const bool solvable = f.SolveQuadraticVartime(z, a);
    EXPECT_EQ(solvable, f.Trace(a) == 0);
    if (solvable) {
      f.Sqr(t, z);
      f.Add(t, t, z);
      EXPECT_TRUE(f.Equal(t, a)) << "quadratic " << ElementToHex(a);
    }
    if (solvable && m % 2 == 1) {
      f.HalfTrace(r, a);
      EXPECT_TRUE(f.Equal(r, z) || (f.Add(r, r, one), f.Equal(r, z))) << "half trace";
    }
  }
}

TEST(Gf2mProperties, SpecialisedFieldsAgreeWithGeneric) {
  ForEachNamedField([](const auto& f) { CompareWithGeneric(f, 20240917); });
}

TEST(Gf2mProperties, FieldLaws) {
  ForEachNamedField([](const auto& f) { CheckLaws(f, 7, 40); });
}

// Fields with m at a word boundary, even m, and a known product, on the generic field.
TEST(Gf2mProperties, GenericFieldOtherPolynomials) {
  const GenericField aes(8, 1, 3, 4);  // t^8 + t^4 + t^3 + t + 1
  GenericField::Element a{0x53}, b{0xCA}, r;
  aes.Mul(r, a, b);
  EXPECT_EQ(ElementToHex(r), "1");
  aes.Inv(r, a);
  EXPECT_EQ(ElementToHex(r), "CA");
  for (const GenericField& f : {aes, GenericField(64, 1, 3, 4), GenericField(128, 1, 2, 7),
                                GenericField(113, 9), GenericField(409, 87)}) {
    CheckLaws(f, 3, 4);
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
    std::vector<std::uint8_t> bytes(f.Bytes() + 3, 0);
    for (std::size_t i = 0; i < f.Bytes(); ++i) bytes[i] = static_cast<std::uint8_t>(0xA5 + 17 * i);
    bytes[f.Bytes() - 1] &= static_cast<std::uint8_t>((1u << (m % 8 == 0 ? 8 : m % 8)) - 1);
    E x;
    ASSERT_TRUE(f.FromBytesLE(x, bytes));  // trailing zero bytes are fine
    EXPECT_EQ(x[0] & 0xFF, 0xA5u);
    std::vector<std::uint8_t> out(f.Bytes());
    f.ToBytesLE(out, x);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin()));
    EXPECT_THROW(f.ToBytesLE(std::span(out).first(out.size() - 1), x), std::length_error);

    std::vector<std::uint8_t> high = bytes;
    high[m / 8] |= static_cast<std::uint8_t>(1u << (m % 8));  // bit m
    EXPECT_FALSE(f.FromBytesLE(x, high));
    EXPECT_TRUE(f.IsZero(x));
    high = bytes;
    high.back() = 1;  // far above m
    EXPECT_FALSE(f.FromBytesLE(x, high));

    const std::vector<std::uint8_t> ones(64, 0xFF);  // hash to element: keep the low m bits
    f.FromBytesTruncatedLE(x, ones);
    E expected{};
    for (unsigned i = 0; i < m; ++i) expected[i / 64] |= std::uint64_t{1} << (i % 64);
    EXPECT_TRUE(f.Equal(x, expected));
  });
}

}  // namespace
}  // namespace tavrpki::test::gf2m

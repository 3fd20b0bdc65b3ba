// Known-answer vectors of the named fields (tests/data/gf2m-field.txt), pushed
// through every polynomial-basis field type: pclmul, portable and generic.
#include <gtest/gtest.h>

#include <string>

#include "FieldTypes.h"
#include "crypto/core/gf2m/NormalBasis.h"
#include "support/VectorFile.h"

namespace tavrpki::test::gf2m {
namespace {

unsigned ToUnsigned(const std::string& s) { return static_cast<unsigned>(std::stoul(s)); }

// Checks one record's values in field f (whose degree and polynomial match the record).
template <class F>
void CheckRecord(const F& f, const Vector& v, const std::string& basisNote) {
  using E = typename F::Element;
  SCOPED_TRACE(v.Where() + " field degree " + std::to_string(f.Degree()) + " path " +
               gostcrypto::gf2m::PathName(f.Path()) + basisNote);
  const E a = ElementFromHex<E>(v.Get("a")), b = ElementFromHex<E>(v.Get("b"));
  E r;
  f.Mul(r, a, b);
  EXPECT_EQ(ElementToHex(r), v.Get("a_mul_b"));
  r = a;
  f.Mul(r, r, b);  // aliasing the output with an input
  EXPECT_EQ(ElementToHex(r), v.Get("a_mul_b"));
  f.Sqr(r, a);
  EXPECT_EQ(ElementToHex(r), v.Get("a_sqr"));
  f.SqrN(r, a, 1);
  EXPECT_EQ(ElementToHex(r), v.Get("a_sqr"));
  f.Inv(r, a);
  EXPECT_EQ(ElementToHex(r), v.Get("a_inv"));
  EXPECT_EQ(f.Trace(a), ToUnsigned(v.Get("trace_a")));
  const E w = ElementFromHex<E>(v.Get("w"));
  f.HalfTrace(r, w);
  EXPECT_EQ(ElementToHex(r), v.Get("halftrace_w"));
  E z;
  ASSERT_TRUE(f.SolveQuadraticVartime(z, w));
  f.Sqr(r, z);
  f.Add(r, r, z);
  EXPECT_TRUE(f.Equal(r, w));
  EXPECT_EQ(f.SolveQuadraticVartime(z, a), f.Trace(a) == 0);
}

TEST(Gf2mVectors, PolynomialBasisOnEveryPath) {
  int checked = 0;
  for (const Vector& v : ReadVectorFile("gf2m-field.txt")) {
    if (v.Get("basis") != "PB") continue;
    v.Skip("field");
    const unsigned m = ToUnsigned(v.Get("m"));
    const std::string poly = v.Get("poly");
    int matched = 0;
    ForEachNamedField([&](const auto& f) {
      if (f.Degree() != m) return;
      ++matched;
      CheckRecord(f, v, "");
      GenericField generic = GenericTwinOf(f);
      CheckRecord(generic, v, " (generic)");
    });
    EXPECT_GE(matched, 1) << v.Where() << ": no named field of degree " << m;
    v.ExpectAllUsed();
    ++checked;
  }
  EXPECT_GE(checked, 6);
}

// An ONB record: convert the operands to PB, operate there, convert back.
template <class F>
void CheckNormalBasisRecord(const F& f, const Vector& v, const std::string& note) {
  using E = typename F::Element;
  using gostcrypto::gf2m::NormalBasisMap;
  SCOPED_TRACE(v.Where() + " field degree " + std::to_string(f.Degree()) + " path " +
               gostcrypto::gf2m::PathName(f.Path()) + note);
  const NormalBasisMap& map = NormalBasisMap::For(f.Degree());
  const auto toPoly = [&](const std::string& key) {
    E pb;
    map.ToPoly(f, pb, ElementFromHex<E>(v.Get(key)));
    return pb;
  };
  const auto toHex = [&](const E& pb) {
    E onb;
    map.ToNormal(f, onb, pb);
    return ElementToHex(onb);
  };
  const E a = toPoly("a"), b = toPoly("b"), w = toPoly("w");
  E r;
  f.Mul(r, a, b);
  EXPECT_EQ(toHex(r), v.Get("a_mul_b"));
  f.Sqr(r, a);
  EXPECT_EQ(toHex(r), v.Get("a_sqr"));
  f.Inv(r, a);
  EXPECT_EQ(toHex(r), v.Get("a_inv"));
  EXPECT_EQ(f.Trace(a), ToUnsigned(v.Get("trace_a")));
  f.HalfTrace(r, w);
  EXPECT_EQ(toHex(r), v.Get("halftrace_w"));
}

TEST(Gf2mVectors, NormalBasisThroughPolynomialBasis) {
  int checked = 0;
  for (const Vector& v : ReadVectorFile("gf2m-field.txt")) {
    if (v.Get("basis") != "ONB") continue;
    v.Skip("field");
    const unsigned m = ToUnsigned(v.Get("m"));
    // The stored number's trace is the parity of its bits.
    const auto onbA = ElementFromHex<GenericField::Element>(v.Get("a"));
    unsigned parity = 0;
    for (auto word : onbA) parity ^= static_cast<unsigned>(__builtin_parityll(word));
    EXPECT_EQ(parity, ToUnsigned(v.Get("trace_a"))) << v.Where();
    ForEachNamedField([&](const auto& f) {
      if (f.Degree() != m) return;
      CheckNormalBasisRecord(f, v, "");
      CheckNormalBasisRecord(GenericTwinOf(f), v, " (generic)");
    });
    v.ExpectAllUsed();
    ++checked;
  }
  EXPECT_GE(checked, 6);
}

// The ONB unit is the all-ones number; it must map to the PB unit and back, and the
// map must be a bijection on a few sample elements.
TEST(Gf2mNormalBasis, UnitAndRoundTrip) {
  using gostcrypto::gf2m::NormalBasisMap;
  for (unsigned m : {173u, 179u, 191u, 233u, 431u}) {
    SCOPED_TRACE(m);
    ASSERT_TRUE(NormalBasisMap::Has(m));
    const NormalBasisMap& map = NormalBasisMap::For(m);
    EXPECT_EQ(&map, &NormalBasisMap::For(m));  // built once
    const GenericField f(m, 1, 2, 3);          // only the degree matters to the map
    GenericField::Element ones{}, pb, back;
    for (unsigned i = 0; i < m; ++i) ones[i / 64] |= std::uint64_t{1} << (i % 64);
    map.ToPoly(f, pb, ones);
    EXPECT_TRUE(f.Equal(pb, GenericField::One()));
    map.ToNormal(f, back, pb);
    EXPECT_TRUE(f.Equal(back, ones));
    GenericField::Element x{};
    for (unsigned i = 0; i < m; i += 7) {
      x[i / 64] ^= std::uint64_t{0x9E3779B97F4A7C15ULL} >> (i % 13);
      x[(m - 1) / 64] &= (m % 64 == 0) ? ~0ULL : (std::uint64_t{1} << (m % 64)) - 1;
      map.ToPoly(f, pb, x);
      map.ToNormal(f, back, pb);
      EXPECT_TRUE(f.Equal(back, x));
    }
  }
  EXPECT_FALSE(NormalBasisMap::Has(257));
  EXPECT_THROW(NormalBasisMap::For(257), std::invalid_argument);
}

}  // namespace
}  // namespace tavrpki::test::gf2m

// Known-answer vectors of the named fields (tests/data/gf2m-field.txt), pushed
// through every polynomial-basis field type: pclmul, portable and generic.
#include <gtest/gtest.h>

#include <string>

#include "FieldTypes.h"
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

}  // namespace
}  // namespace tavrpki::test::gf2m

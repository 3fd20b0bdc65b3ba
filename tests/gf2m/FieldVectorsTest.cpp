// Known-answer vectors of the named fields (tests/data/gf2m-field.txt), pushed
// through every field type of the record's degree: pclmul, portable and generic.
// Normal-basis records are converted to the polynomial basis, operated on there and
// converted back.
#include <gtest/gtest.h>

#include <string>

#include "FieldTypes.h"
#include "gostcrypto/gf2m/NormalBasis.h"
#include "support/VectorFile.h"

namespace tavrpki::test::gf2m {
namespace {

using gostcrypto::gf2m::NormalBasisMap;

unsigned ToUnsigned(const std::string& s) { return static_cast<unsigned>(std::stoul(s)); }

// Checks one record in field f; `map` is null for a polynomial-basis record.
template <class F>
void CheckRecord(const F& f, const Vector& v, const NormalBasisMap* map, const char* note) {
  using E = typename F::Element;
  SCOPED_TRACE(v.Where() + " field degree " + std::to_string(f.Degree()) + " path " +
               gostcrypto::PathName(f.Path()) + note);
  const auto in = [&](const std::string& key) {
    E r = ElementFromHex<E>(v.Get(key));
    if (map != nullptr) map->ToPoly(f, r, E(r));
    return r;
  };
  const auto out = [&](const E& a) {
    E r = a;
    if (map != nullptr) map->ToNormal(f, r, a);
    return ElementToHex(r);
  };
  const E a = in("a"), b = in("b"), w = in("w");
  E r;
  f.Mul(r, a, b);
  EXPECT_EQ(out(r), v.Get("a_mul_b"));
  r = a;
  f.Mul(r, r, b);  // the output aliasing an input
  EXPECT_EQ(out(r), v.Get("a_mul_b"));
  f.Sqr(r, a);
  EXPECT_EQ(out(r), v.Get("a_sqr"));
  f.Inv(r, a);
  EXPECT_EQ(out(r), v.Get("a_inv"));
  EXPECT_EQ(f.Trace(a), ToUnsigned(v.Get("trace_a")));
  f.HalfTrace(r, w);
  EXPECT_EQ(out(r), v.Get("halftrace_w"));
}

TEST(Gf2mVectors, EveryRecordOnEveryPath) {
  int checked[2] = {0, 0};
  for (const Vector& v : ReadVectorFile("gf2m-field.txt")) {
    v.Skip("field");
    v.Skip("poly");  // the record's degree selects the named field
    const unsigned m = ToUnsigned(v.Get("m"));
    const bool normal = v.Get("basis") == "ONB";
    const NormalBasisMap* map = normal ? &NormalBasisMap::For(m) : nullptr;
    int matched = 0;
    ForEachNamedField([&](const auto& f) {
      if (f.Degree() != m) return;
      ++matched;
      CheckRecord(f, v, map, "");
      CheckRecord(GenericTwinOf(f), v, map, " (generic)");
    });
    EXPECT_GE(matched, 1) << v.Where() << ": no named field of degree " << m;
    v.ExpectAllUsed();
    ++checked[normal];
  }
  EXPECT_GE(checked[0], 6);
  EXPECT_GE(checked[1], 6);
  EXPECT_FALSE(NormalBasisMap::Has(257));  // the named curves' normal-basis degrees only
  EXPECT_THROW(NormalBasisMap::For(257), std::invalid_argument);
}

}  // namespace
}  // namespace tavrpki::test::gf2m

#include <cmath>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <stdexcept>
#include <string>

#include "ec/CurveBuild.h"
#include "ec/CurveImpl.h"
#include "gf2m/NamedFields.h"

namespace gostcrypto::ec {
namespace {

std::size_t SignificantBytes(const std::vector<std::uint8_t>& v) {
  std::size_t size = v.size();
  while (size > 0 && v[size - 1] == 0) --size;
  return size;
}

// h = round(2^m / n): the cofactor, from the leading 64 bits of n (exact for the
// small cofactors a usable curve has).
unsigned Cofactor(unsigned m, const std::vector<std::uint8_t>& n) {
  const std::size_t size = SignificantBytes(n);
  if (size == 0) Fail(kBadCurve);
  double top = 0;
  const std::size_t first = size > 8 ? size - 8 : 0;
  for (std::size_t i = size; i-- > first;) top = top * 256 + n[i];
  const double h = std::ldexp(1.0, static_cast<int>(m) - static_cast<int>(8 * first)) / top;
  if (!(h >= 1.5 && h < 65536.5)) Fail(kBadCurve);
  return static_cast<unsigned>(std::lround(h));
}

// The named polynomial of degree m (the one normal-basis maps convert to).
bool NamedPolynomial(unsigned m, detail::FieldSpec& shape) {
  bool found = false;
#define TAVRPKI_EC_NAMED(M, ...)                         \
  if (m == M) {                                          \
    const unsigned k[3] = {__VA_ARGS__};                 \
    shape.k = k[0];                                       \
    shape.j = k[1];                                       \
    shape.l = k[2];                                       \
    found = true;                                        \
  }
  TAVRPKI_GF2M_NAMED_FIELDS(TAVRPKI_EC_NAMED)
#undef TAVRPKI_EC_NAMED
  return found;
}

detail::FieldSpec Specify(const CurveParams& p) {
  if (p.m < 3 || p.m > 64 * gf2m::kMaxWords || p.a > 1) Fail(kBadCurve);
  detail::FieldSpec shape;
  shape.m = p.m;
  if (p.k == 0 && p.j == 0 && p.l == 0) {
    if (!gf2m::NormalBasisMap::Has(p.m) || !NamedPolynomial(p.m, shape)) Fail(kBadCurve);
    shape.onb = &gf2m::NormalBasisMap::For(p.m);
  } else {
    const bool trinomial = p.j == 0 && p.l == 0 && p.k > 0 && p.k < p.m;
    const bool pentanomial = p.k > 0 && p.k < p.j && p.j < p.l && p.l < p.m;
    if (!trinomial && !pentanomial) Fail(kBadCurve);
    shape.k = p.k;
    shape.j = p.j;
    shape.l = p.l;
  }
  shape.cofactor = Cofactor(p.m, p.n);
  return shape;
}

std::string CacheKey(const CurveParams& p) {
  std::string key;
  for (unsigned v : {p.m, p.k, p.j, p.l, p.a}) key.append(reinterpret_cast<const char*>(&v), sizeof v);
  for (const auto* v : {&p.b, &p.n, &p.gx, &p.gy}) {
    const std::size_t size = SignificantBytes(*v);
    key.append(reinterpret_cast<const char*>(&size), sizeof size);
    key.append(reinterpret_cast<const char*>(v->data()), size);
  }
  return key;
}

}  // namespace

std::shared_ptr<const Curve> BuildCurve(const CurveParams& params, FieldChoice choice) {
  const detail::FieldSpec shape = Specify(params);
  std::shared_ptr<const Curve> curve;
  if (choice != FieldChoice::kGeneric) {
    FieldPath path = ActiveFieldPath();
    if (choice == FieldChoice::kClmul && path == FieldPath::kVpclmul) path = FieldPath::kClmul;
    if (choice == FieldChoice::kPortable) path = FieldPath::kPortable;
    curve = path != FieldPath::kPortable ? detail::BuildClmul(shape, params, path == FieldPath::kVpclmul)
                                         : detail::BuildPortable(shape, params);
  }
  if (!curve) {
    std::unique_ptr<gf2m::GenericField> field;
    try {
      field = std::make_unique<gf2m::GenericField>(shape.m, shape.k, shape.j, shape.l);
    } catch (const std::invalid_argument&) {
      Fail(kBadCurve);
    }
    curve = std::make_shared<CurveImpl<gf2m::GenericField>>(*field, shape.onb, params,
                                                            shape.cofactor, "generic");
  }
  return curve;
}

std::shared_ptr<const Curve> CachedCurve(const CurveParams& params) {
  // Explicit parameters arrive with every certificate; a bound keeps a stream of
  // distinct ones from growing the cache without end (the rest are built each time).
  constexpr std::size_t kMaxEntries = 64;
  static std::shared_mutex mutex;
  static std::map<std::string, std::shared_ptr<const Curve>> cache;

  const std::string key = CacheKey(params);
  {
    std::shared_lock lock(mutex);
    const auto it = cache.find(key);
    if (it != cache.end()) return it->second;
  }
  std::unique_lock lock(mutex);
  const auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  auto curve = BuildCurve(params, FieldChoice::kBest);
  if (cache.size() < kMaxEntries) cache.emplace(key, curve);
  return curve;
}

}  // namespace gostcrypto::ec

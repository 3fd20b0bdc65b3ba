#include "NormalBasis.h"

#include <utility>

#include "PolyField.h"

namespace gostcrypto::gf2m {
namespace {

// GF(2^2m) = GF(2^m)[y] / (y^2 + y + 1), irreducible because Tr(1) = 1 for odd m.
// Holds u + v*y.
template <class F>
struct Ext {
  typename F::Element u{}, v{};
};

template <class F>
Ext<F> ExtMul(const F& f, const Ext<F>& a, const Ext<F>& b) {
  typename F::Element uu, vv, s, t;
  f.Mul(uu, a.u, b.u);
  f.Mul(vv, a.v, b.v);
  f.Add(s, a.u, a.v);
  f.Add(t, b.u, b.v);
  f.Mul(s, s, t);
  Ext<F> r;
  f.Add(r.u, uu, vv);  // y^2 = y + 1
  f.Add(r.v, s, uu);
  return r;
}

// a^e for e given as bits, most significant first (public values: variable time).
template <class F>
Ext<F> ExtPow(const F& f, const Ext<F>& a, const std::vector<bool>& e) {
  Ext<F> r;
  r.u[0] = 1;
  for (bool bit : e) {
    r = ExtMul(f, r, r);
    if (bit) r = ExtMul(f, r, a);
  }
  return r;
}

// (2^bits - 1) / p as bits, most significant first (p divides 2^bits - 1).
std::vector<bool> AllOnesDividedBy(unsigned bits, unsigned p) {
  std::vector<bool> q;
  unsigned rest = 0;
  for (unsigned i = 0; i < bits; ++i) {
    rest = 2 * rest + 1;
    q.push_back(rest >= p);
    if (rest >= p) rest -= p;
  }
  if (rest != 0) throw std::logic_error("gf2m: 2m+1 does not divide 2^2m - 1");
  return q;
}

std::vector<bool> Bits(unsigned e) {
  std::vector<bool> bits;
  for (unsigned i = 32; i-- > 0;) bits.push_back(((e >> i) & 1) != 0);
  return bits;
}

// Builds the map from the PB image of beta, found as gamma + gamma^-1 with
// gamma = z^((2^2m - 1) / p) != 1 for the first z = y + t^i that gives one.
template <class F>
NormalBasisMap Build() {
  const F f;
  const unsigned m = F::kDegree, p = 2 * m + 1;
  constexpr std::size_t kWords = F::kWords;
  const std::vector<bool> exponent = AllOnesDividedBy(2 * m, p);
  typename F::Element beta{};
  for (unsigned i = 0;; ++i) {
    if (i == m) throw std::logic_error("gf2m: no root of unity found");
    Ext<F> z;
    z.u[i / 64] = std::uint64_t{1} << (i % 64);
    z.v[0] = 1;
    const Ext<F> gamma = ExtPow(f, z, exponent);
    if (f.Equal(gamma.u, F::One()) && f.IsZero(gamma.v)) continue;
    const Ext<F> inverse = ExtPow(f, gamma, Bits(p - 1));
    f.Add(beta, gamma.u, inverse.u);
    typename F::Element v;
    f.Add(v, gamma.v, inverse.v);
    if (!f.IsZero(v)) throw std::logic_error("gf2m: beta outside GF(2^m)");
    break;
  }

  // Stored bit m-1-i <-> beta^(2^i).
  std::vector<std::uint64_t> toPoly(m * kWords);
  typename F::Element power = beta;
  for (unsigned i = 0; i < m; ++i) {
    for (std::size_t w = 0; w < kWords; ++w) toPoly[(m - 1 - i) * kWords + w] = power[w];
    f.Sqr(power, power);
  }

  // Invert by Gauss-Jordan elimination on [images | identity].
  std::vector<std::pair<typename F::Element, typename F::Element>> rows(m);
  for (unsigned j = 0; j < m; ++j) {
    for (std::size_t w = 0; w < kWords; ++w) rows[j].first[w] = toPoly[j * kWords + w];
    rows[j].second[j / 64] = std::uint64_t{1} << (j % 64);
  }
  for (unsigned i = 0; i < m; ++i) {
    const std::uint64_t bit = std::uint64_t{1} << (i % 64);
    unsigned pivot = i;
    while (pivot < m && (rows[pivot].first[i / 64] & bit) == 0) ++pivot;
    if (pivot == m) throw std::logic_error("gf2m: conjugates of beta are not a basis");
    std::swap(rows[i], rows[pivot]);
    for (unsigned j = 0; j < m; ++j) {
      if (j == i || (rows[j].first[i / 64] & bit) == 0) continue;
      f.Add(rows[j].first, rows[j].first, rows[i].first);
      f.Add(rows[j].second, rows[j].second, rows[i].second);
    }
  }
  std::vector<std::uint64_t> toNormal(m * kWords);
  for (unsigned i = 0; i < m; ++i) {
    for (std::size_t w = 0; w < kWords; ++w) toNormal[i * kWords + w] = rows[i].second[w];
  }
  return NormalBasisMap(m, std::move(toPoly), std::move(toNormal));
}

}  // namespace

NormalBasisMap::NormalBasisMap(unsigned m, std::vector<std::uint64_t> toPoly,
                               std::vector<std::uint64_t> toNormal)
    : m_m(m), m_words((m + 63) / 64), m_toPoly(std::move(toPoly)), m_toNormal(std::move(toNormal)) {}

bool NormalBasisMap::Has(unsigned m) {
  return m == 173 || m == 179 || m == 191 || m == 233 || m == 431;
}

const NormalBasisMap& NormalBasisMap::For(unsigned m) {
  switch (m) {
    case 173: {
      static const NormalBasisMap kMap = Build<PolyField<CpuPath::kPortable, 173, 1, 2, 10>>();
      return kMap;
    }
    case 179: {
      static const NormalBasisMap kMap = Build<PolyField<CpuPath::kPortable, 179, 1, 2, 4>>();
      return kMap;
    }
    case 191: {
      static const NormalBasisMap kMap = Build<PolyField<CpuPath::kPortable, 191, 9>>();
      return kMap;
    }
    case 233: {
      static const NormalBasisMap kMap = Build<PolyField<CpuPath::kPortable, 233, 1, 4, 9>>();
      return kMap;
    }
    case 431: {
      static const NormalBasisMap kMap = Build<PolyField<CpuPath::kPortable, 431, 1, 3, 5>>();
      return kMap;
    }
    default:
      throw std::invalid_argument("gf2m: no optimal normal basis of this degree");
  }
}

void NormalBasisMap::Apply(const std::vector<std::uint64_t>& rows, std::uint64_t* out,
                           const std::uint64_t* in, std::size_t outWords) const {
  std::uint64_t acc[kMaxWords] = {};
  for (unsigned j = 0; j < m_m; ++j) {
    const std::uint64_t mask = 0 - ((in[j / 64] >> (j % 64)) & 1);
    const std::uint64_t* row = &rows[j * m_words];
    for (std::size_t w = 0; w < m_words; ++w) acc[w] ^= row[w] & mask;
  }
  for (std::size_t w = 0; w < outWords; ++w) out[w] = w < m_words ? acc[w] : 0;
}

}  // namespace gostcrypto::gf2m

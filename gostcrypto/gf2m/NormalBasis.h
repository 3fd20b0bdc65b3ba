// Conversion between the optimal normal basis of the DSTU 4145-2002 "ONB" curves
// (type II, m = 173, 179, 191, 233, 431) and the polynomial basis of the named
// polynomial of the same degree, so that ONB curves run on the fast PB arithmetic.
//
// An ONB element is its stored number: bit (m-1-i) is the coefficient of beta^(2^i),
// beta = gamma + 1/gamma for a primitive (2m+1)-th root of unity gamma. The PB image
// of beta is one root of beta's minimal polynomial; the choice is fixed, so the map
// is a field isomorphism and every conversion of one process (and of every process)
// agrees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace gostcrypto::gf2m {

class NormalBasisMap {
 public:
  // The map for degree m, built on first use and then shared by all threads (built
  // once per m per process, immutable). Throws std::invalid_argument unless m is
  // one of 173, 179, 191, 233, 431.
  static const NormalBasisMap& For(unsigned m);
  static bool Has(unsigned m);

  unsigned Degree() const { return m_m; }

  // pb = the polynomial-basis image of the stored number onb, in field f (whose
  // degree must be m; any PB field type of that degree and the named polynomial).
  // Constant time in the element value. pb may alias onb.
  template <class F>
  void ToPoly(const F& f, typename F::Element& pb, const typename F::Element& onb) const {
    Check(f.Degree(), pb.size());
    Apply(m_toPoly, pb.data(), onb.data(), pb.size());
  }

  // onb = the stored number of the PB element pb. Constant time; onb may alias pb.
  template <class F>
  void ToNormal(const F& f, typename F::Element& onb, const typename F::Element& pb) const {
    Check(f.Degree(), onb.size());
    Apply(m_toNormal, onb.data(), pb.data(), onb.size());
  }

  NormalBasisMap(unsigned m, std::vector<std::uint64_t> toPoly, std::vector<std::uint64_t> toNormal);

 private:
  void Check(unsigned degree, std::size_t words) const {
    if (degree != m_m || words < m_words) throw std::invalid_argument("gf2m: field of another degree");
  }
  // out = XOR of the rows selected by the bits of in (m rows of m_words words).
  void Apply(const std::vector<std::uint64_t>& rows, std::uint64_t* out, const std::uint64_t* in,
             std::size_t outWords) const;

  unsigned m_m;
  std::size_t m_words;
  std::vector<std::uint64_t> m_toPoly;    // row j: PB image of stored bit j
  std::vector<std::uint64_t> m_toNormal;  // row i: stored number of t^i
};

}  // namespace gostcrypto::gf2m

// Differential target: the pclmul, portable and generic multiplications (and
// squarings) of every named field must agree. Input: one byte choosing the field,
// then the two operands, little-endian, cut to m bits.
#include <cstddef>
#include <cstdint>
#include <span>
#include <tuple>

#include "gostcrypto/gf2m/Field.h"

namespace {

using gostcrypto::gf2m::CpuPath;
using gostcrypto::gf2m::GenericField;
using gostcrypto::gf2m::PolyField;

template <unsigned M, unsigned... K>
struct Named {};

template <class Element, class Other>
bool Same(const Element& a, const Other& b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

template <unsigned M, unsigned... K>
void Check(Named<M, K...>, std::span<const std::uint8_t> data) {
  const PolyField<CpuPath::kPortable, M, K...> portable;
  const unsigned k[] = {K..., 0, 0};  // a trinomial leaves k2 = k3 = 0
  const GenericField generic(M, k[0], k[1], k[2]);
  const std::size_t half = data.size() / 2;
  typename decltype(portable)::Element a, b, r, s;
  portable.FromBytesTruncatedLE(a, data.first(half));
  portable.FromBytesTruncatedLE(b, data.subspan(half));
  GenericField::Element ga, gb, gr;
  generic.FromBytesTruncatedLE(ga, data.first(half));
  generic.FromBytesTruncatedLE(gb, data.subspan(half));

  portable.Mul(r, a, b);
  generic.Mul(gr, ga, gb);
  if (!Same(r, gr)) __builtin_trap();
  portable.Sqr(s, a);
  generic.Sqr(gr, ga);
  if (!Same(s, gr)) __builtin_trap();
  if (gostcrypto::Supported(CpuPath::kClmul)) {
    const PolyField<CpuPath::kClmul, M, K...> clmul;
    typename decltype(clmul)::Element c;
    clmul.Mul(c, a, b);
    if (!Same(c, r)) __builtin_trap();
    clmul.Sqr(c, a);
    if (!Same(c, s)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  const auto fields = std::tuple<Named<163, 3, 6, 7>, Named<167, 6>, Named<173, 1, 2, 10>,
                                 Named<179, 1, 2, 4>, Named<191, 9>, Named<233, 1, 4, 9>,
                                 Named<257, 12>, Named<307, 2, 4, 8>, Named<367, 21>,
                                 Named<431, 1, 3, 5>>{};
  unsigned index = 0;
  std::apply([&](auto... f) { ((data[0] % 10 == index++ ? Check(f, rest) : void()), ...); }, fields);
  return 0;
}

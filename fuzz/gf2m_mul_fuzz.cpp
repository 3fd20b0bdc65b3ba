// Differential target: the pclmul, portable and generic multiplications (and
// squarings) of every named field must agree, and so must the eight-lane kernels,
// lane by lane, on eight variants of the operands. Input: one byte choosing the
// field, then the two operands, little-endian, cut to m bits.
#include <cstddef>
#include <cstdint>
#include <span>
#include <tuple>

#include "gostcrypto/gf2m/Field.h"
#include "gostcrypto/gf2m/LaneKernels.h"

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

// Lane j gets a and b with their low word changed by j (lane 0 keeps them), so a
// kernel that mixes lanes up gives a wrong lane.
template <unsigned M, unsigned... K, class Field, class Element>
void CheckLanes(const Field& portable, const Element& a, const Element& b) {
  using Kernels = gostcrypto::gf2m::detail::LaneKernels<M, K...>;
  constexpr std::size_t kLanes = 8, kWords = Field::kWords;
  std::uint64_t la[kWords * kLanes], lb[kWords * kLanes], product[kWords * kLanes], square[kWords * kLanes];
  Element va[kLanes], vb[kLanes];
  for (std::size_t j = 0; j < kLanes; ++j) {
    va[j] = a;
    vb[j] = b;
    va[j][0] ^= j * 0x9E3779B97F4A7C15ull;
    vb[j][0] ^= j * 0xC2B2AE3D27D4EB4Full;
    for (std::size_t w = 0; w < kWords; ++w) la[w * kLanes + j] = va[j][w], lb[w * kLanes + j] = vb[j][w];
  }
  const bool vpclmul = gostcrypto::Supported(gostcrypto::FieldPath::kVpclmul);
  if (vpclmul) {
    Kernels::MulVpclmul(product, la, lb);
    Kernels::SqrVpclmul(square, la);
  } else {
    Kernels::MulPclmul(product, la, lb);
    Kernels::SqrPclmul(square, la);
  }
  for (std::size_t j = 0; j < kLanes; ++j) {
    Element p, q;
    portable.Mul(p, va[j], vb[j]);
    portable.Sqr(q, va[j]);
    for (std::size_t w = 0; w < kWords; ++w) {
      if (product[w * kLanes + j] != p[w] || square[w * kLanes + j] != q[w]) __builtin_trap();
    }
  }
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
    CheckLanes<M, K...>(portable, a, b);
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

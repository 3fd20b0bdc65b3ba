// The eight-lane kernels against the single-element ones, on every named field and
// every lane backend this CPU runs: seeded random elements, with the elements that
// stress the reduction and the 257-bit top word (0, 1, all ones, t^(m-1)) in some lanes.
#include <random>

#include "FieldTypes.h"
#include "gostcrypto/gf2m/LaneKernels.h"

namespace tavrpki::test::gf2m {
namespace {

using gostcrypto::FieldPath;
using gostcrypto::gf2m::detail::LaneKernels;

struct Backend {
  const char* name;
  FieldPath needs;
  bool vpclmul;
};
constexpr Backend kBackends[] = {{"vpclmul", FieldPath::kVpclmul, true}, {"pclmul", FieldPath::kClmul, false}};

template <CpuPath P, unsigned M, unsigned... K>
void CheckLanes(const PolyField<P, M, K...>& f, const Backend& backend) {
  using Kernels = LaneKernels<M, K...>;
  using Element = typename PolyField<P, M, K...>::Element;
  constexpr std::size_t kWords = PolyField<P, M, K...>::kWords, kLanes = 8;
  SCOPED_TRACE(std::string(backend.name) + " m=" + std::to_string(M));
  std::mt19937_64 rng(M);
  Element ones{}, top{};
  for (std::size_t i = 0; i < M; ++i) ones[i / 64] |= std::uint64_t{1} << (i % 64);
  top[(M - 1) / 64] = std::uint64_t{1} << ((M - 1) % 64);
  const Element edges[] = {Element{}, f.One(), ones, top};
  for (int round = 0; round < 24; ++round) {
    Element a[kLanes], b[kLanes];
    for (std::size_t j = 0; j < kLanes; ++j) {
      for (std::size_t w = 0; w < kWords; ++w) a[j][w] = rng(), b[j][w] = rng();
      a[j][kWords - 1] &= ones[kWords - 1];
      b[j][kWords - 1] &= ones[kWords - 1];
    }
    a[round % kLanes] = edges[round % 4];
    b[(round + 3) % kLanes] = edges[(round / 4) % 4];
    std::uint64_t la[kWords * kLanes], lb[kWords * kLanes], product[kWords * kLanes], square[kWords * kLanes];
    for (std::size_t j = 0; j < kLanes; ++j)
      for (std::size_t w = 0; w < kWords; ++w) la[w * kLanes + j] = a[j][w], lb[w * kLanes + j] = b[j][w];
    if (backend.vpclmul) {
      Kernels::MulVpclmul(product, la, lb);
      Kernels::SqrVpclmul(square, la);
    } else {
      Kernels::MulPclmul(product, la, lb);
      Kernels::SqrPclmul(square, la);
    }
    for (std::size_t j = 0; j < kLanes; ++j) {
      Element p, s;
      f.Mul(p, a[j], b[j]);
      f.Sqr(s, a[j]);
      for (std::size_t w = 0; w < kWords; ++w) {
        ASSERT_EQ(product[w * kLanes + j], p[w]) << "product, round " << round << " lane " << j << " word " << w;
        ASSERT_EQ(square[w * kLanes + j], s[w]) << "square, round " << round << " lane " << j << " word " << w;
      }
    }
  }
}

TEST(LaneKernels, MatchTheSingleElementKernels) {
  int checked = 0;
  for (const Backend& backend : kBackends) {
    if (!gostcrypto::Supported(backend.needs)) continue;
    std::apply([&](auto... f) { (CheckLanes(f, backend), ...); }, NamedFields<CpuPath::kPortable>{});
    ++checked;
  }
  if (checked == 0) GTEST_SKIP() << "no carry-less multiplication on this CPU";
}

}  // namespace
}  // namespace tavrpki::test::gf2m

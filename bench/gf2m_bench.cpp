// ns per field multiplication, squaring and inversion for every named degree on both
// CPU paths (and the generic field for 257 and 431). Each loop feeds its result back
// in, so the figures are latencies, as in a point multiplication. Mul8/Sqr8: eight
// products at once on the lane kernels (the batched ladders), per call of eight.
#include <benchmark/benchmark.h>

#include <string>
#include <tuple>

#include "gostcrypto/gf2m/Field.h"
#include "gostcrypto/gf2m/LaneKernels.h"

namespace {

using gostcrypto::gf2m::CpuPath;
using gostcrypto::gf2m::GenericField;
using gostcrypto::gf2m::PolyField;

template <class F>
typename F::Element Sample(const F& f, std::uint64_t seed) {
  typename F::Element x{};
  for (std::size_t i = 0; i < f.Words(); ++i) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    x[i] = seed;
  }
  if (f.Degree() % 64 != 0) x[f.Words() - 1] &= (std::uint64_t{1} << (f.Degree() % 64)) - 1;
  return x;
}

template <class F>
void Register(const F& f, const std::string& name) {
  benchmark::RegisterBenchmark(("Mul/" + name).c_str(), [f](benchmark::State& state) {
    auto x = Sample(f, 1);
    const auto y = Sample(f, 2);
    for (auto _ : state) {
      f.Mul(x, x, y);
      benchmark::DoNotOptimize(x);
    }
  });
  benchmark::RegisterBenchmark(("Sqr/" + name).c_str(), [f](benchmark::State& state) {
    auto x = Sample(f, 3);
    for (auto _ : state) {
      f.Sqr(x, x);
      benchmark::DoNotOptimize(x);
    }
  });
  benchmark::RegisterBenchmark(("Inv/" + name).c_str(), [f](benchmark::State& state) {
    auto x = Sample(f, 4);
    for (auto _ : state) {
      f.Inv(x, x);
      benchmark::DoNotOptimize(x);
    }
  });
}

template <CpuPath P>
void RegisterPath() {
  if (!gostcrypto::Supported(P)) return;
  const std::string path = gostcrypto::PathName(P);
  std::apply([&](auto... f) { (Register(f, std::to_string(f.Degree()) + "/" + path), ...); },
             std::tuple<PolyField<P, 163, 3, 6, 7>, PolyField<P, 167, 6>,
                        PolyField<P, 173, 1, 2, 10>, PolyField<P, 179, 1, 2, 4>,
                        PolyField<P, 191, 9>, PolyField<P, 233, 1, 4, 9>, PolyField<P, 257, 12>,
                        PolyField<P, 307, 2, 4, 8>, PolyField<P, 367, 21>,
                        PolyField<P, 431, 1, 3, 5>>{});
}

// The lane kernels of one field on one backend, eight elements per call.
template <unsigned M, unsigned... K>
void RegisterLanes(gostcrypto::FieldPath path) {
  using Kernels = gostcrypto::gf2m::detail::LaneKernels<M, K...>;
  if (!gostcrypto::Supported(path)) return;
  const bool wide = path == gostcrypto::FieldPath::kVpclmul;
  const std::string name = std::to_string(M) + "/" + gostcrypto::PathName(path);
  constexpr std::size_t kWords = 8 * ((M + 63) / 64);
  benchmark::RegisterBenchmark(("Mul8/" + name).c_str(), [wide](benchmark::State& state) {
    std::uint64_t x[kWords], y[kWords];
    for (std::size_t i = 0; i < kWords; ++i) x[i] = 0x9E3779B97F4A7C15ULL * (i + 1), y[i] = x[i] ^ 0x5555;
    for (std::size_t i = kWords - 8; i < kWords; ++i) x[i] &= 1, y[i] &= 1;  // below t^M for every M here
    for (auto _ : state) {
      wide ? Kernels::MulVpclmul(x, x, y) : Kernels::MulPclmul(x, x, y);
      benchmark::DoNotOptimize(x);
    }
  });
  benchmark::RegisterBenchmark(("Sqr8/" + name).c_str(), [wide](benchmark::State& state) {
    std::uint64_t x[kWords];
    for (std::size_t i = 0; i < kWords; ++i) x[i] = 0x9E3779B97F4A7C15ULL * (i + 1);
    for (std::size_t i = kWords - 8; i < kWords; ++i) x[i] &= 1;
    for (auto _ : state) {
      wide ? Kernels::SqrVpclmul(x, x) : Kernels::SqrPclmul(x, x);
      benchmark::DoNotOptimize(x);
    }
  });
}

const bool kRegistered = [] {
  for (auto path : {gostcrypto::FieldPath::kVpclmul, gostcrypto::FieldPath::kClmul}) {
    RegisterLanes<257, 12>(path);
    RegisterLanes<431, 1, 3, 5>(path);
  }
  RegisterPath<CpuPath::kClmul>();
  RegisterPath<CpuPath::kPortable>();
  Register(GenericField(257, 12), "257/generic");
  Register(GenericField(431, 1, 3, 5), "431/generic");
  return true;
}();

}  // namespace

// The lane kernels' callable forms on the Vpclmul backend: built with -mavx512f -mvpclmulqdq.
#include "LaneField.h"
#include "LaneKernels.h"

namespace gostcrypto::gf2m::detail {

template <unsigned M, unsigned... K>
void LaneKernels<M, K...>::MulVpclmul(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b) {
#if defined(__VPCLMULQDQ__) && defined(__AVX512F__)
  lanes::MulWords<lanes::LaneField<lanes::LaneBackendVpclmul, M, K...>>(r, a, b);
#else  // never selected on this target
  (void)r, (void)a, (void)b;
#endif
}

template <unsigned M, unsigned... K>
void LaneKernels<M, K...>::SqrVpclmul(std::uint64_t* r, const std::uint64_t* a) {
#if defined(__VPCLMULQDQ__) && defined(__AVX512F__)
  lanes::SqrWords<lanes::LaneField<lanes::LaneBackendVpclmul, M, K...>>(r, a);
#else
  (void)r, (void)a;
#endif
}

#define TAVRPKI_GF2M_DEFINE_LANES(...)                                                                        \
  template void LaneKernels<__VA_ARGS__>::MulVpclmul(std::uint64_t*, const std::uint64_t*, const std::uint64_t*); \
  template void LaneKernels<__VA_ARGS__>::SqrVpclmul(std::uint64_t*, const std::uint64_t*);
TAVRPKI_GF2M_NAMED_FIELDS(TAVRPKI_GF2M_DEFINE_LANES)
#undef TAVRPKI_GF2M_DEFINE_LANES

}  // namespace gostcrypto::gf2m::detail

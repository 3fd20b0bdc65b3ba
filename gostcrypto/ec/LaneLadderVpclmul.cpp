// The lane ladders on AVX-512F + VPCLMULQDQ: the only file built with those flags.
#include "ec/LaneLadderRun.h"

#if defined(__x86_64__) && !(defined(__VPCLMULQDQ__) && defined(__AVX512F__))
#error "LaneLadderVpclmul.cpp must be compiled with -mavx512f -mvpclmulqdq"
#endif

namespace gostcrypto::ec::detail {

template <unsigned M, unsigned... K>
void LaneLadder<M, K...>::Vpclmul(std::uint64_t* state, const std::uint64_t* d, unsigned bits) {
#if defined(__VPCLMULQDQ__) && defined(__AVX512F__)
  RunLaneLadder<gf2m::lanes::LaneBackendVpclmul, M, K...>(state, d, bits);
#else  // never selected on this target (the CPU probe finds no VPCLMULQDQ)
  (void)state, (void)d, (void)bits;
#endif
}

#define TAVRPKI_EC_DEFINE_LANES(...) \
  template void LaneLadder<__VA_ARGS__>::Vpclmul(std::uint64_t*, const std::uint64_t*, unsigned);
TAVRPKI_GF2M_NAMED_FIELDS(TAVRPKI_EC_DEFINE_LANES)
#undef TAVRPKI_EC_DEFINE_LANES

}  // namespace gostcrypto::ec::detail

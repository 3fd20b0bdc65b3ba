// The lane ladders on PCLMULQDQ alone, four products per lane call.
#include "ec/LaneLadderRun.h"

#if defined(__x86_64__) && !defined(__PCLMUL__)
#error "LaneLadderPclmul.cpp must be compiled with -mpclmul"
#endif

namespace gostcrypto::ec::detail {

template <unsigned M, unsigned... K>
void LaneLadder<M, K...>::Pclmul(std::uint64_t* state, const std::uint64_t* d, unsigned bits) {
#if defined(__PCLMUL__)
  RunLaneLadder<gf2m::lanes::LaneBackendPclmul, M, K...>(state, d, bits);
#else  // never selected on this target
  (void)state, (void)d, (void)bits;
#endif
}

#define TAVRPKI_EC_DEFINE_LANES(...) \
  template void LaneLadder<__VA_ARGS__>::Pclmul(std::uint64_t*, const std::uint64_t*, unsigned);
TAVRPKI_GF2M_NAMED_FIELDS(TAVRPKI_EC_DEFINE_LANES)
#undef TAVRPKI_EC_DEFINE_LANES

}  // namespace gostcrypto::ec::detail

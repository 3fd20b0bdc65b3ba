// The PCLMULQDQ kernels: the only file built with -mpclmul. Products are formed in
// 128-bit lanes and reduced with the same unrolled reduction as the portable path.
#include "MulClmul.h"

#include <cstddef>

#include "MulPortable.h"
#include "Reduce.h"

#if defined(__PCLMUL__)
#include <immintrin.h>
#elif defined(__x86_64__)
#error "MulClmul.cpp must be compiled with -mpclmul"
#endif

namespace gostcrypto::gf2m::detail {
namespace {

#if defined(__PCLMUL__)

// r[0, 2W) = a[0, W) * b[0, W), schoolbook over 64-bit digits.
template <std::size_t W>
inline void MulWords(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b) {
  __m128i acc[2 * W];
  for (std::size_t i = 0; i < 2 * W; ++i) acc[i] = _mm_setzero_si128();
  for (std::size_t i = 0; i < W; ++i) {
    const __m128i x = _mm_cvtsi64_si128(static_cast<long long>(a[i]));
    for (std::size_t j = 0; j < W; ++j) {
      const __m128i y = _mm_cvtsi64_si128(static_cast<long long>(b[j]));
      acc[i + j] = _mm_xor_si128(acc[i + j], _mm_clmulepi64_si128(x, y, 0x00));
    }
  }
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < 2 * W; ++i) {
    r[i] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(acc[i])) ^ carry;
    carry = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc[i], acc[i])));
  }
}

template <std::size_t W>
inline void SqrWords(std::uint64_t* r, const std::uint64_t* a) {
  for (std::size_t i = 0; i < W; ++i) {
    const __m128i x = _mm_cvtsi64_si128(static_cast<long long>(a[i]));
    const __m128i s = _mm_clmulepi64_si128(x, x, 0x00);
    r[2 * i] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(s));
    r[2 * i + 1] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(s, s)));
  }
}

#else  // no pclmul on this target: never selected at run time, kept linkable

template <std::size_t W>
inline void MulWords(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b) {
  MulPortable<W>(r, a, b);
}
template <std::size_t W>
inline void SqrWords(std::uint64_t* r, const std::uint64_t* a) {
  SqrPortable<W>(r, a);
}

#endif

}  // namespace

template <unsigned M, unsigned... K>
void ClmulKernels<M, K...>::Mul(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b) {
  constexpr std::size_t kWords = (M + 63) / 64;
  std::uint64_t t[2 * kWords];
  MulWords<kWords>(t, a, b);
  Reduce<M, K...>(r, t);
}

template <unsigned M, unsigned... K>
void ClmulKernels<M, K...>::Sqr(std::uint64_t* r, const std::uint64_t* a) {
  constexpr std::size_t kWords = (M + 63) / 64;
  std::uint64_t t[2 * kWords];
  SqrWords<kWords>(t, a);
  Reduce<M, K...>(r, t);
}

template <unsigned M, unsigned... K>
void ClmulKernels<M, K...>::SqrN(std::uint64_t* r, const std::uint64_t* a, unsigned n) {
  constexpr std::size_t kWords = (M + 63) / 64;
  std::uint64_t x[kWords], t[2 * kWords];
  for (std::size_t i = 0; i < kWords; ++i) x[i] = a[i];
  for (unsigned i = 0; i < n; ++i) {
    SqrWords<kWords>(t, x);
    Reduce<M, K...>(x, t);
  }
  for (std::size_t i = 0; i < kWords; ++i) r[i] = x[i];
}

#define TAVRPKI_GF2M_DEFINE_CLMUL(...) template struct ClmulKernels<__VA_ARGS__>;
TAVRPKI_GF2M_NAMED_FIELDS(TAVRPKI_GF2M_DEFINE_CLMUL)
#undef TAVRPKI_GF2M_DEFINE_CLMUL

}  // namespace gostcrypto::gf2m::detail

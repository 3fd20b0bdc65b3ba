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

inline __m128i Clmul(std::uint64_t x, std::uint64_t y) {
  return _mm_clmulepi64_si128(_mm_cvtsi64_si128(static_cast<long long>(x)),
                              _mm_cvtsi64_si128(static_cast<long long>(y)), 0x00);
}

// r[0, 2W) = a[0, W) * b[0, W). Operands enter and the product leaves as 64-bit words,
// so a result stored by the reduction is forwarded to the next product's loads.
//
// PCLMULQDQ issues only every other cycle on some cores (AMD Zen 4/5), so the word
// products bound the time. For five words the word-level Karatsuba
// (a_i b_j + a_j b_i = (a_i + a_j)(b_i + b_j) + a_i b_i + a_j b_j: 15 products
// instead of 25) is measurably faster; for the other sizes the extra XORs and the
// register pressure eat the gain, and schoolbook stays.
template <std::size_t W>
inline void MulWords(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b) {
  __m128i acc[2 * W];
  for (std::size_t i = 0; i < 2 * W; ++i) acc[i] = _mm_setzero_si128();
  if constexpr (W == 5) {
    __m128i diagonal[W];
    for (std::size_t i = 0; i < W; ++i) {
      diagonal[i] = Clmul(a[i], b[i]);
      acc[2 * i] = diagonal[i];
    }
    for (std::size_t i = 0; i < W; ++i) {
      for (std::size_t j = i + 1; j < W; ++j) {
        const __m128i m = Clmul(a[i] ^ a[j], b[i] ^ b[j]);
        acc[i + j] = _mm_xor_si128(acc[i + j], _mm_xor_si128(m, _mm_xor_si128(diagonal[i], diagonal[j])));
      }
    }
  } else {
    for (std::size_t i = 0; i < W; ++i) {
      for (std::size_t j = 0; j < W; ++j) acc[i + j] = _mm_xor_si128(acc[i + j], Clmul(a[i], b[j]));
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
    const __m128i s = Clmul(a[i], a[i]);
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

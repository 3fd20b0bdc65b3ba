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

// r[0, 10) = a * b for elements of at most 257 bits: four full words and one bit.
// The four-word products go by two levels of Karatsuba (9 products); the top bits
// add a masked copy of the other operand, with no product at all. The word products
// bound the time (see MulWords), and 9 is 15 less 6.
inline void MulWords257(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b) {
  // (a0 + a1 X)(b0 + b1 X), X = t^64: three products.
  const auto mul2 = [](__m128i& low, __m128i& high, std::uint64_t a0, std::uint64_t a1, std::uint64_t b0,
                       std::uint64_t b1) {
    const __m128i p0 = Clmul(a0, b0), p1 = Clmul(a1, b1);
    const __m128i mid = _mm_xor_si128(Clmul(a0 ^ a1, b0 ^ b1), _mm_xor_si128(p0, p1));
    low = _mm_xor_si128(p0, _mm_slli_si128(mid, 8));
    high = _mm_xor_si128(p1, _mm_srli_si128(mid, 8));
  };
  __m128i l0, l1, h0, h1, m0, m1;
  mul2(l0, l1, a[0], a[1], b[0], b[1]);
  mul2(h0, h1, a[2], a[3], b[2], b[3]);
  mul2(m0, m1, a[0] ^ a[2], a[1] ^ a[3], b[0] ^ b[2], b[1] ^ b[3]);
  m0 = _mm_xor_si128(m0, _mm_xor_si128(l0, h0));
  m1 = _mm_xor_si128(m1, _mm_xor_si128(l1, h1));
  alignas(16) std::uint64_t w[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(w), l0);
  _mm_store_si128(reinterpret_cast<__m128i*>(w + 2), _mm_xor_si128(l1, m0));
  _mm_store_si128(reinterpret_cast<__m128i*>(w + 4), _mm_xor_si128(h0, m1));
  _mm_store_si128(reinterpret_cast<__m128i*>(w + 6), h1);
  const std::uint64_t topA = 0 - (a[4] & 1), topB = 0 - (b[4] & 1);
  for (std::size_t i = 0; i < 4; ++i) r[i] = w[i];
  for (std::size_t i = 0; i < 4; ++i) r[4 + i] = w[4 + i] ^ (topA & b[i]) ^ (topB & a[i]);
  r[8] = topA & topB & 1;
  r[9] = 0;
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
#if defined(__PCLMUL__)
  if constexpr (M == 257) {
    MulWords257(t, a, b);
  } else {
    MulWords<kWords>(t, a, b);
  }
#else
  MulWords<kWords>(t, a, b);
#endif
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

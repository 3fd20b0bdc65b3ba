// Eight elements of one named field side by side, for work that runs the same
// formulas on independent values (the ladders of the pieces of one envelope): word i
// of element j is lane j of a vector of eight 64-bit words. A 512-bit carry-less
// multiplication forms four word products at once, so eight field products cost
// little more than two single ones, and the reduction is the single one's shifts,
// lane-wise.
//
// Include only from a translation unit compiled for the backend's instructions:
//   LaneBackendVpclmul   AVX-512F + VPCLMULQDQ (-mavx512f -mvpclmulqdq)
//   LaneBackendPclmul    the same products by four PCLMULQDQ each (-mpclmul): for
//                        CPUs without AVX-512 and for tools that cannot run it
//                        (valgrind), with the very same formulas around them.
// Everything here is constant time: no branch and no index depends on a lane.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "NamedFields.h"
#include "Reduce.h"

#if defined(__PCLMUL__) || defined(__VPCLMULQDQ__)
#include <immintrin.h>
#endif

namespace gostcrypto::gf2m::lanes {

inline constexpr std::size_t kLanes = 8;

// Lane j holds word j; the operators act lane-wise.
typedef std::uint64_t Word __attribute__((vector_size(64)));

// The low and the high halves of eight 128-bit products, in lane order, from the
// products of the even lanes (e, one per 128-bit quarter) and of the odd ones (o).
inline Word LowHalves(Word e, Word o) { return __builtin_shufflevector(e, o, 0, 8, 2, 10, 4, 12, 6, 14); }
inline Word HighHalves(Word e, Word o) { return __builtin_shufflevector(e, o, 1, 9, 3, 11, 5, 13, 7, 15); }

#if defined(__VPCLMULQDQ__) && defined(__AVX512F__)
struct LaneBackendVpclmul {
  // Quarter k: lane 2k of a times lane 2k of b (Even), lanes 2k + 1 (Odd).
  static Word Even(Word a, Word b) {
    return reinterpret_cast<Word>(_mm512_clmulepi64_epi128(reinterpret_cast<__m512i>(a), reinterpret_cast<__m512i>(b), 0x00));
  }
  static Word Odd(Word a, Word b) {
    return reinterpret_cast<Word>(_mm512_clmulepi64_epi128(reinterpret_cast<__m512i>(a), reinterpret_cast<__m512i>(b), 0x11));
  }
};
#endif

#if defined(__PCLMUL__)
struct LaneBackendPclmul {
  static Word Even(Word a, Word b) { return Products<0x00>(a, b); }
  static Word Odd(Word a, Word b) { return Products<0x11>(a, b); }

 private:
  template <int kSelect>
  static Word Products(Word a, Word b) {
    Word r;
    for (int q = 0; q < 4; ++q) {
      const __m128i x = _mm_set_epi64x(static_cast<long long>(a[2 * q + 1]), static_cast<long long>(a[2 * q]));
      const __m128i y = _mm_set_epi64x(static_cast<long long>(b[2 * q + 1]), static_cast<long long>(b[2 * q]));
      const __m128i p = _mm_clmulepi64_si128(x, y, kSelect);
      r[2 * q] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(p));
      r[2 * q + 1] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(p, p)));
    }
    return r;
  }
};
#endif

// GF(2^M) modulo t^M + t^K... + 1, eight elements at a time, products by backend B.
template <class B, unsigned M, unsigned... K>
struct LaneField {
  static_assert(detail::kNamedPoly<detail::Poly<M, K...>>, "lane kernels exist for the named polynomials");
  static constexpr std::size_t kWords = (M + 63) / 64;
  using Element = std::array<Word, kWords>;

  static void Add(Element& r, const Element& a, const Element& b) {
    for (std::size_t i = 0; i < kWords; ++i) r[i] = a[i] ^ b[i];
  }

  // r may alias a or b.
  static void Mul(Element& r, const Element& a, const Element& b) {
    Word t[2 * kWords];
    if constexpr (M == 257) {
      // Four full words and one bit (as the single 257-bit product does): the four
      // words by Karatsuba, the top bit as masked copies of the other operand.
      MulWords<4>(t, a.data(), b.data());
      const Word topA = -(a[4] & 1), topB = -(b[4] & 1);
      for (std::size_t i = 0; i < 4; ++i) t[4 + i] ^= (topA & b[i]) ^ (topB & a[i]);
      t[8] = topA & topB & 1;
      t[9] = Word{};
    } else {
      MulWords<kWords>(t, a.data(), b.data());
    }
    detail::ReduceWords<Word, M, K...>(r.data(), t);
  }

  static void Sqr(Element& r, const Element& a) {
    Word t[2 * kWords];
    for (std::size_t i = 0; i < kWords; ++i) {
      const Word e = B::Even(a[i], a[i]), o = B::Odd(a[i], a[i]);
      t[2 * i] = LowHalves(e, o);
      t[2 * i + 1] = HighHalves(e, o);
    }
    detail::ReduceWords<Word, M, K...>(r.data(), t);
  }

  // Swaps a and b in the lanes where mask is all ones.
  static void CondSwap(Word mask, Element& a, Element& b) {
    for (std::size_t i = 0; i < kWords; ++i) {
      const Word d = mask & (a[i] ^ b[i]);
      a[i] ^= d;
      b[i] ^= d;
    }
  }

 private:
  // t[0, 2W) = a[0, W) * b[0, W), word-level Karatsuba
  // (a_i b_j + a_j b_i = (a_i + a_j)(b_i + b_j) + a_i b_i + a_j b_j). The columns are
  // summed as 128-bit products, even and odd lanes apart, and split into words once.
  template <std::size_t W>
  static void MulWords(Word* t, const Word* a, const Word* b) {
    Word even[2 * W - 1], odd[2 * W - 1], de[W], dOdd[W];
    for (std::size_t i = 0; i < W; ++i) {
      de[i] = B::Even(a[i], b[i]);
      dOdd[i] = B::Odd(a[i], b[i]);
      even[2 * i] = de[i];
      odd[2 * i] = dOdd[i];
      if (i + 1 < W) even[2 * i + 1] = odd[2 * i + 1] = Word{};
    }
    for (std::size_t i = 0; i < W; ++i) {
      for (std::size_t j = i + 1; j < W; ++j) {
        const Word x = a[i] ^ a[j], y = b[i] ^ b[j];
        even[i + j] ^= B::Even(x, y) ^ de[i] ^ de[j];
        odd[i + j] ^= B::Odd(x, y) ^ dOdd[i] ^ dOdd[j];
      }
    }
    Word carry{};
    for (std::size_t c = 0; c < 2 * W - 1; ++c) {
      t[c] = LowHalves(even[c], odd[c]) ^ carry;
      carry = HighHalves(even[c], odd[c]);
    }
    t[2 * W - 1] = carry;
  }
};

// The callable forms' bodies (LaneKernels.h), for the backend's own translation
// unit: elements in and out as plain words, [8 i + j] = word i of element j.
template <class F>
void MulWords(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b) {
  typename F::Element x, y;
  std::memcpy(static_cast<void*>(&x), a, sizeof x);
  std::memcpy(static_cast<void*>(&y), b, sizeof y);
  F::Mul(x, x, y);
  std::memcpy(r, static_cast<const void*>(&x), sizeof x);
}

template <class F>
void SqrWords(std::uint64_t* r, const std::uint64_t* a) {
  typename F::Element x;
  std::memcpy(static_cast<void*>(&x), a, sizeof x);
  F::Sqr(x, x);
  std::memcpy(r, static_cast<const void*>(&x), sizeof x);
}

}  // namespace gostcrypto::gf2m::lanes

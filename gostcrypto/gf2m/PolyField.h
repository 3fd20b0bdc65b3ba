// GF(2^M) in polynomial basis modulo t^M + t^K... + 1, specialised at compile time:
// word count, reduction shifts and the trace mask are constants, and the CPU path P
// picks the multiplication kernels (portable inline code, or the pclmul kernels of
// MulClmul.cpp, which exist for the named polynomials).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "FieldPath.h"
#include "FieldOps.h"
#include "MulClmul.h"
#include "MulPortable.h"
#include "Reduce.h"

namespace gostcrypto::gf2m {

template <CpuPath P, unsigned M, unsigned... K>
class PolyField {
  static_assert(sizeof...(K) == 1 || sizeof...(K) == 3, "trinomial or pentanomial");
  static_assert(P == CpuPath::kPortable || detail::kNamedPoly<detail::Poly<M, K...>>,
                "pclmul kernels exist for the named polynomials only");

 public:
  static constexpr unsigned kDegree = M;
  static constexpr std::size_t kWords = (M + 63) / 64;
  static constexpr CpuPath kPath = P;
  static_assert(kWords <= kMaxWords);
  // Little-endian words, bit i = coefficient of t^i.
  // invariant: bits at and above M are zero.
  using Element = std::array<std::uint64_t, kWords>;

  unsigned Degree() const { return M; }
  std::size_t Words() const { return kWords; }
  std::size_t Bytes() const { return (M + 7) / 8; }
  CpuPath Path() const { return P; }

  void Add(Element& r, const Element& a, const Element& b) const {
    for (std::size_t i = 0; i < kWords; ++i) r[i] = a[i] ^ b[i];
  }

  // r may alias a or b.
  void Mul(Element& r, const Element& a, const Element& b) const {
    if constexpr (P == CpuPath::kClmul) {
      detail::ClmulKernels<M, K...>::Mul(r.data(), a.data(), b.data());
    } else {
      std::uint64_t t[2 * kWords];
      detail::MulPortable<kWords>(t, a.data(), b.data());
      detail::Reduce<M, K...>(r.data(), t);
    }
  }

  void Sqr(Element& r, const Element& a) const {
    if constexpr (P == CpuPath::kClmul) {
      detail::ClmulKernels<M, K...>::Sqr(r.data(), a.data());
    } else {
      std::uint64_t t[2 * kWords];
      detail::SqrPortable<kWords>(t, a.data());
      detail::Reduce<M, K...>(r.data(), t);
    }
  }

  // r = a^(2^n).
  void SqrN(Element& r, const Element& a, unsigned n) const {
    if constexpr (P == CpuPath::kClmul) {
      detail::ClmulKernels<M, K...>::SqrN(r.data(), a.data(), n);
    } else {
      r = a;
      for (unsigned i = 0; i < n; ++i) Sqr(r, r);
    }
  }

  // r = a^(1/2) = a^(2^(M-1)).
  void Sqrt(Element& r, const Element& a) const { SqrN(r, a, M - 1); }

  // Constant time (Itoh-Tsujii); Inv(0) = 0. The long runs of squarings go through
  // precomputed power matrices (built on first use, shared by all threads).
  void Inv(Element& r, const Element& a) const {
    const InversionTables& tables = Tables();
    detail::InvItohTsujii(*this, r, a, [&](Element& t, const Element& b, unsigned k) {
      for (const auto& matrix : tables.matrices) {
        if (matrix.n == k) return matrix.Apply(t, b);
      }
      SqrN(t, b, k);
    });
  }

  unsigned Trace(const Element& a) const {
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < kWords; ++i) x ^= a[i] & kTraceMask[i];
    return static_cast<unsigned>(__builtin_parityll(x));
  }

  // r = sum a^(4^i), i = 0..(M-1)/2: r^2 + r = a when Tr(a) = 0 (M odd).
  void HalfTrace(Element& r, const Element& a) const {
    detail::HalfTraceBySquaring(*this, r, a);
  }

  // z^2 + z = a; false when Tr(a) = 1. Variable time.
  bool SolveQuadraticVartime(Element& z, const Element& a) const {
    return detail::SolveQuadratic(*this, z, a);
  }

  bool IsZero(const Element& a) const {
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < kWords; ++i) x |= a[i];
    return x == 0;
  }
  bool Equal(const Element& a, const Element& b) const {
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < kWords; ++i) x |= a[i] ^ b[i];
    return x == 0;
  }
  static Element One() { return Element{1}; }

  // r = mask ? a : b, for mask all ones or zero, without a branch.
  static void Select(Element& r, std::uint64_t mask, const Element& a, const Element& b) {
    for (std::size_t i = 0; i < kWords; ++i) r[i] = b[i] ^ (mask & (a[i] ^ b[i]));
  }
  // Swaps a and b when mask is all ones, without a branch.
  static void CondSwap(std::uint64_t mask, Element& a, Element& b) {
    for (std::size_t i = 0; i < kWords; ++i) {
      const std::uint64_t d = mask & (a[i] ^ b[i]);
      a[i] ^= d;
      b[i] ^= d;
    }
  }

  // r = the little-endian bytes (any length); false and r = 0 when a bit at or above
  // M is set.
  bool FromBytesLE(Element& r, std::span<const std::uint8_t> bytes) const {
    return detail::BytesToElement(r, bytes, M, kWords);
  }
  // r = the low M bits of the little-endian bytes (hash to field element).
  void FromBytesTruncatedLE(Element& r, std::span<const std::uint8_t> bytes) const {
    detail::BytesToElementTruncated(r, bytes, M, kWords);
  }
  // Fills out (at least Bytes() long, else std::length_error), zeros past the element.
  void ToBytesLE(std::span<std::uint8_t> out, const Element& a) const {
    detail::ElementToBytes(out, a, M);
  }

 private:
  // One matrix application costs about as much as kMatrixFrom squarings.
  static constexpr unsigned kMatrixFrom = P == CpuPath::kClmul ? 40 : 24;

  struct InversionTables {
    std::vector<detail::PowerMatrix<PolyField>> matrices;
  };

  static const InversionTables& Tables() {
    static const InversionTables kTables = [] {
      InversionTables tables;
      for (unsigned k : detail::ItohTsujiiSteps(M)) {
        if (k >= kMatrixFrom) tables.matrices.emplace_back(PolyField{}, k);
      }
      return tables;
    }();
    return kTables;
  }

  static constexpr unsigned kExponents[] = {K...};
  static constexpr Element kTraceMask = detail::TraceMask<Element>(M, kExponents);
};

}  // namespace gostcrypto::gf2m

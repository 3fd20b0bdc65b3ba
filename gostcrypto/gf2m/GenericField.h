// GF(2^m) in polynomial basis with m and the polynomial chosen at run time
// (m <= 576, any trinomial or pentanomial): the fallback for explicit curve
// parameters and the oracle the specialised fields are tested against. Every
// operation is the plain textbook algorithm, bit by bit, in constant time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "FieldPath.h"

namespace gostcrypto::gf2m {

class GenericField {
 public:
  static constexpr std::size_t kWords = kMaxWords;
  // Little-endian words, bit i = coefficient of t^i.
  // invariant: bits at and above m are zero (including the unused words).
  using Element = std::array<std::uint64_t, kWords>;

  // The field modulo t^m + t^k3 + t^k2 + t^k1 + 1 (k2 = k3 = 0 for a trinomial), in
  // either order. Throws std::invalid_argument unless 0 < k1 < m <= 576 and the middle
  // exponents are distinct and below m. Irreducibility is not checked.
  GenericField(unsigned m, unsigned k1, unsigned k2 = 0, unsigned k3 = 0);

  unsigned Degree() const { return m_m; }
  std::size_t Words() const { return m_words; }
  std::size_t Bytes() const { return (m_m + 7) / 8; }
  CpuPath Path() const { return CpuPath::kPortable; }

  void Add(Element& r, const Element& a, const Element& b) const;
  void Mul(Element& r, const Element& a, const Element& b) const;
  void Sqr(Element& r, const Element& a) const;
  void SqrN(Element& r, const Element& a, unsigned n) const;
  void Sqrt(Element& r, const Element& a) const;
  void Inv(Element& r, const Element& a) const;
  unsigned Trace(const Element& a) const;
  void HalfTrace(Element& r, const Element& a) const;
  bool SolveQuadraticVartime(Element& z, const Element& a) const;
  bool IsZero(const Element& a) const;
  bool Equal(const Element& a, const Element& b) const;
  static Element One() { return Element{1}; }
  static void Select(Element& r, std::uint64_t mask, const Element& a, const Element& b);
  static void CondSwap(std::uint64_t mask, Element& a, Element& b);

  bool FromBytesLE(Element& r, std::span<const std::uint8_t> bytes) const;
  void FromBytesTruncatedLE(Element& r, std::span<const std::uint8_t> bytes) const;
  void ToBytesLE(std::span<std::uint8_t> out, const Element& a) const;

 private:
  // r = r * t mod f.
  void MulByT(Element& r) const;

  unsigned m_m;
  std::size_t m_words;
  Element m_low{};        // f - t^m: the terms below the degree
  Element m_traceMask{};  // bit i = Tr(t^i)
};

}  // namespace gostcrypto::gf2m

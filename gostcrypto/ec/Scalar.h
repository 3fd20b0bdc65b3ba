// Integers modulo the base-point order n: the private key d, the per-signature
// secret e and the signature halves r and s.
//
// Every operation that may see a secret runs in time independent of the values:
// loops over the fixed word count of n, masks instead of branches, Montgomery
// multiplication with a masked final subtraction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace gostcrypto::ec {

inline constexpr std::size_t kMaxScalarWords = 9;  // n < 2^m <= 2^576 (the cofactor is at least 2)

// Double-word arithmetic for carries and products.
__extension__ typedef unsigned __int128 U128;

// Little-endian 64-bit words; words at and above ScalarField::Words() are zero.
using Scalar = std::array<std::uint64_t, kMaxScalarWords>;

class ScalarField {
 public:
  // n as little-endian bytes. Throws CryptoException(kBadCurve) unless n is odd,
  // greater than 2^64 and at most 576 bits long.
  explicit ScalarField(std::span<const std::uint8_t> nLE);

  unsigned Bits() const { return m_bits; }        // bitlen(n)
  std::size_t Words() const { return m_words; }
  std::size_t Bytes() const { return (m_bits + 7) / 8; }  // length of r and s in a signature
  const Scalar& N() const { return m_n; }

  // r = the little-endian bytes (any length). Returns all ones when 0 < r < n,
  // else zero (r then holds the low words of the bytes and must not be used).
  std::uint64_t Load(Scalar& r, std::span<const std::uint8_t> bytes) const;
  // r = the low `bits` bits of the bytes (bits <= Bits()); the mask as for Load.
  std::uint64_t LoadTruncated(Scalar& r, std::span<const std::uint8_t> bytes, unsigned bits) const;
  // r = the first 8 (Words() + 1) bytes as a little-endian number, mod n: a
  // uniform value up to a bias below 2^-64 (bytes must be at least that long).
  // Returns all ones when r != 0. Constant time.
  std::uint64_t LoadReduced(Scalar& r, std::span<const std::uint8_t> bytes) const;
  std::size_t ReducedInputBytes() const { return 8 * (m_words + 1); }
  // Writes all of out, least significant byte first, zeros past the number.
  void Store(std::span<std::uint8_t> out, const Scalar& a) const;

  // Modular operations on values below n; every word of r is written.
  void Add(Scalar& r, const Scalar& a, const Scalar& b) const;
  void Mul(Scalar& r, const Scalar& a, const Scalar& b) const;
  void Neg(Scalar& r, const Scalar& a) const;  // (n - a) mod n

  // All ones when a = 0.
  std::uint64_t ZeroMask(const Scalar& a) const;
  // All ones when a < n.
  std::uint64_t LessThanNMask(const Scalar& a) const;

 private:
  // r = a * b / 2^(64 Words()) mod n.
  void MontMul(Scalar& r, const Scalar& a, const Scalar& b) const;
  // r = a - n when that does not borrow (or `carry` is set), else a.
  void ReduceOnce(Scalar& r, const Scalar& a, std::uint64_t carry) const;

  Scalar m_n{};
  Scalar m_rr{};          // 2^(128 Words()) mod n, to leave the Montgomery domain in one step
  Scalar m_r{};           // 2^(64 Words()) mod n
  std::uint64_t m_n0 = 0;  // -n^-1 mod 2^64
  std::size_t m_words = 0;
  unsigned m_bits = 0;
};

}  // namespace gostcrypto::ec

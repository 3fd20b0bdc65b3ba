// Branch-free helpers for code that touches secrets: masks, selection and
// comparison whose running time does not depend on the values involved.
//
// The masks are all-ones or all-zero words; the compiler barrier in `Opaque`
// keeps the optimiser from turning a mask back into a branch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrpki::ct {

template <typename W>
inline W Opaque(W value) noexcept {
#if defined(__GNUC__) || defined(__clang__)
  __asm__("" : "+r"(value));
#endif
  return value;
}

// All ones when value != 0, else zero.
inline std::uint64_t MaskNonZero(std::uint64_t value) noexcept {
  return Opaque(static_cast<std::uint64_t>(0) - ((value | (0 - value)) >> 63));
}

// All ones when value == 0, else zero.
inline std::uint64_t MaskZero(std::uint64_t value) noexcept { return ~MaskNonZero(value); }

// All ones when a == b.
inline std::uint64_t MaskEqual(std::uint64_t a, std::uint64_t b) noexcept { return MaskZero(a ^ b); }

// All ones when a < b (unsigned).
inline std::uint64_t MaskLess(std::uint64_t a, std::uint64_t b) noexcept {
  const std::uint64_t borrow = ((~a & b) | (~(a ^ b) & (a - b))) >> 63;
  return Opaque(static_cast<std::uint64_t>(0) - borrow);
}

// mask ? a : b, for an all-ones or all-zero mask.
inline std::uint64_t Select(std::uint64_t mask, std::uint64_t a, std::uint64_t b) noexcept {
  return b ^ (mask & (a ^ b));
}

// Swaps a and b when mask is all ones.
inline void ConditionalSwap(std::uint64_t mask, std::uint64_t& a, std::uint64_t& b) noexcept {
  const std::uint64_t t = mask & (a ^ b);
  a ^= t;
  b ^= t;
}

// True when the two byte strings are equal; the time depends only on their length.
inline bool Equal(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) noexcept {
  if (a.size() != b.size()) return false;
  std::uint8_t diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<std::uint8_t>(a[i] ^ b[i]);
  return MaskZero(diff) != 0;
}

}  // namespace tavrpki::ct

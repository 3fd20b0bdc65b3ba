// GOST 28147-89 substitution boxes ("DKE") in their two forms.
//
// Expanded: 128 bytes, one 4-bit entry (0-15) per byte, 8 rows of 16 entries; row r
// substitutes the 4-bit group r of the 32-bit round value (r = 0 the least
// significant). Packed: 64 bytes as certificates carry them, two entries per byte,
// the even entry in the high nibble: packed[i] = entry[2i] * 16 + entry[2i+1].
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "gostcrypto/DkeNo1.h"

namespace tavrpki::params {

inline constexpr std::size_t kDkeSize = 128;       // expanded
inline constexpr std::size_t kPackedDkeSize = 64;  // packed

using Dke = std::array<std::uint8_t, kDkeSize>;
using PackedDke = std::array<std::uint8_t, kPackedDkeSize>;

constexpr PackedDke PackDke(std::span<const std::uint8_t, kDkeSize> dke) {
  PackedDke packed{};
  for (std::size_t i = 0; i < kPackedDkeSize; ++i)
    packed[i] = static_cast<std::uint8_t>(((dke[2 * i] & 15) << 4) | (dke[2 * i + 1] & 15));
  return packed;
}

// Expands the first 64 bytes of `packed`; missing bytes (a shorter input) give
// zero entries.
constexpr Dke UnpackDke(std::span<const std::uint8_t> packed) {
  Dke dke{};
  for (std::size_t i = 0; i < kPackedDkeSize && i < packed.size(); ++i) {
    dke[2 * i] = static_cast<std::uint8_t>(packed[i] >> 4);
    dke[2 * i + 1] = static_cast<std::uint8_t>(packed[i] & 15);
  }
  return dke;
}

// The S-box the parameters take when their DER carries no dke. It is also the
// "test" S-box of GOST R 34.11-94; packed it starts 4A 92.
inline constexpr Dke kDefaultSBox{
    4,  10, 9,  2,  13, 8,  0,  14, 6,  11, 1,  12, 7,  15, 5,  3,   //
    14, 11, 4,  12, 6,  13, 15, 10, 2,  3,  8,  1,  0,  7,  5,  9,   //
    5,  8,  1,  13, 10, 3,  4,  2,  14, 15, 12, 7,  6,  0,  9,  11,  //
    7,  13, 10, 1,  0,  8,  9,  15, 14, 4,  6,  12, 11, 2,  5,  3,   //
    6,  12, 7,  1,  5,  15, 13, 8,  4,  10, 9,  14, 0,  3,  11, 2,   //
    4,  11, 10, 0,  7,  2,  1,  13, 3,  6,  8,  5,  9,  12, 15, 14,  //
    13, 11, 4,  1,  3,  15, 5,  9,  0,  10, 14, 7,  6,  8,  2,  12,  //
    1,  15, 13, 0,  5,  7,  10, 4,  9,  2,  3,  14, 6,  11, 8,  12};

// DKE No. 1 of the national instruction: the S-box every real Ukrainian CA
// certificate carries in its key parameters and hashes with. The core owns the
// table; the packed form is worked out from it.
inline constexpr Dke kDke1 = gostcrypto::kDkeNo1;
inline constexpr PackedDke kDke1Packed = gostcrypto::kDkeNo1Packed;
static_assert(PackDke(kDke1) == kDke1Packed);

}  // namespace tavrpki::params

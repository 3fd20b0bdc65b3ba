// DKE No. 1: the GOST 28147-89 substitution table that Ukrainian CA certificates
// carry in their key parameters, and the table the core uses when a caller passes
// none. 128 entries, one four-bit value per byte; row r (entries 16r..16r+15)
// substitutes the r-th four-bit group of the round value, least significant first.
// Packed two entries per byte, as certificates carry it, it begins A9 D6 EB 45.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gostcrypto {

inline constexpr std::array<std::uint8_t, 128> kDkeNo1{
    10, 9,  13, 6,  14, 11, 4,  5,  15, 1,  3,  12, 7,  0,  8,  2,   //
    8,  0,  12, 4,  9,  6,  7,  11, 2,  3,  1,  15, 5,  14, 10, 13,  //
    15, 6,  5,  8,  14, 11, 10, 4,  12, 0,  3,  7,  2,  9,  1,  13,  //
    3,  8,  13, 9,  6,  11, 15, 0,  2,  5,  12, 10, 4,  14, 1,  7,   //
    15, 8,  14, 9,  7,  2,  0,  13, 12, 6,  1,  5,  11, 4,  3,  10,  //
    2,  8,  9,  7,  5,  15, 0,  11, 12, 1,  13, 14, 10, 3,  6,  4,   //
    3,  8,  11, 5,  6,  4,  14, 10, 2,  12, 1,  7,  9,  15, 13, 0,   //
    1,  2,  3,  14, 6,  13, 11, 8,  15, 10, 12, 5,  7,  9,  0,  4};


// True when each of the 8 rows of the 128-entry table is a permutation of 0-15.
// Every table handed to the cipher, the hash or the generator must pass: a row
// that repeats a value makes the round function lose information, and an all-zero
// table makes the cipher ignore its key.
constexpr bool IsPermutationSBox(const std::uint8_t* entries) {
  for (std::size_t row = 0; row < 8; ++row) {
    unsigned seen = 0;
    for (std::size_t i = 0; i < 16; ++i) {
      const std::uint8_t value = entries[16 * row + i];
      if (value > 15) return false;
      seen |= 1u << value;
    }
    if (seen != 0xFFFFu) return false;
  }
  return true;
}

static_assert(IsPermutationSBox(kDkeNo1.data()));

// The packed form certificates carry: 64 bytes, two entries per byte, the even
// entry in the high nibble. Worked out from the table above, never written twice.
inline constexpr std::array<std::uint8_t, 64> kDkeNo1Packed = [] {
  std::array<std::uint8_t, 64> packed{};
  for (std::size_t i = 0; i < packed.size(); ++i)
    packed[i] = static_cast<std::uint8_t>((kDkeNo1[2 * i] << 4) | kDkeNo1[2 * i + 1]);
  return packed;
}();

static_assert(kDkeNo1Packed[0] == 0xA9 && kDkeNo1Packed[1] == 0xD6 && kDkeNo1Packed[2] == 0xEB &&
              kDkeNo1Packed[3] == 0x45);

}  // namespace gostcrypto

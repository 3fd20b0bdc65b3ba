// DKE No. 1: the GOST 28147-89 substitution table that Ukrainian CA certificates
// carry in their key parameters, and the table the core uses when a caller passes
// none. 128 entries, one four-bit value per byte; row r (entries 16r..16r+15)
// substitutes the r-th four-bit group of the round value, least significant first.
// Packed two entries per byte, as certificates carry it, it begins A9 D6 EB 45.
#pragma once

#include <array>
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

}  // namespace gostcrypto

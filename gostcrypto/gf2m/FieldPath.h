// What every binary field shares: the bound on the size of an element and the name
// of the multiplication path (decided once per process in gostcrypto/CpuPath.h).
#pragma once

#include <cstddef>

#include "gostcrypto/CpuPath.h"

namespace gostcrypto::gf2m {

// Longest element of any field: m <= 576 bits (explicit curve parameters).
inline constexpr std::size_t kMaxWords = 9;

// The fields are compiled once per path: PolyField<CpuPath::kClmul, ...>.
using CpuPath = FieldPath;

}  // namespace gostcrypto::gf2m

// Which multiplication kernels the binary fields use on this machine.
#pragma once

#include <cstddef>

namespace gostcrypto::gf2m {

// Longest element of any field: m <= 576 bits (explicit curve parameters).
inline constexpr std::size_t kMaxWords = 9;

enum class CpuPath { kPortable, kClmul };

// The fastest path this CPU supports, decided once per process. The environment
// variable TAVRPKI_FORCE_PORTABLE=1 forces kPortable (tests and benchmarks use it
// to cover both paths).
CpuPath BestPath();

// True when the CPU can run `path` (kPortable always can).
bool Supported(CpuPath path);

// "pclmul" or "portable".
const char* PathName(CpuPath path);

}  // namespace gostcrypto::gf2m

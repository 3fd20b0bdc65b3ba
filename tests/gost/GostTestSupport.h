// Shared pieces of the GOST tests: the two tables of the vector files and the CPU
// paths every vector runs on.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/core/gost/CpuPath.h"
#include "gostcrypto/CryptoException.h"
#include "support/VectorFile.h"

namespace tavrpki::test {

// 'test' (the GOST R 34.11-94 test table) and 'dke' (DKE No. 1) as 128 entries;
// 'default' gives an empty vector, meaning a null pointer.
inline std::vector<std::uint8_t> SBoxByName(const std::string& name) {
  if (name == "default") return {};
  if (name == "test")
    return {4,  10, 9,  2,  13, 8,  0,  14, 6,  11, 1,  12, 7,  15, 5,  3,  14, 11, 4,  12, 6,  13,
            15, 10, 2,  3,  8,  1,  0,  7,  5,  9,  5,  8,  1,  13, 10, 3,  4,  2,  14, 15, 12, 7,
            6,  0,  9,  11, 7,  13, 10, 1,  0,  8,  9,  15, 14, 4,  6,  12, 11, 2,  5,  3,  6,  12,
            7,  1,  5,  15, 13, 8,  4,  10, 9,  14, 0,  3,  11, 2,  4,  11, 10, 0,  7,  2,  1,  13,
            3,  6,  8,  5,  9,  12, 15, 14, 13, 11, 4,  1,  3,  15, 5,  9,  0,  10, 14, 7,  6,  8,
            2,  12, 1,  15, 13, 0,  5,  7,  10, 4,  9,  2,  3,  14, 6,  11, 8,  12};
  EXPECT_EQ(name, "dke") << "unknown S-box name";
  const auto packed = FromHex(
      "A9D6EB45F13C708280C4967B231F5EADF658EBA4C037291D38D96BF025CA4E17"
      "F8E9720DC615B43A28975F0BC1DEA36438B564EA2C179FD0123E6DB8FAC57904");
  std::vector<std::uint8_t> entries;
  for (auto b : packed) {
    entries.push_back(b >> 4);
    entries.push_back(b & 15);
  }
  return entries;
}

inline const unsigned char* OrNull(const std::vector<std::uint8_t>& v) { return v.empty() ? nullptr : v.data(); }

using gostcrypto::detail::CpuPath;

inline std::vector<CpuPath> AllPaths() {
  std::vector<CpuPath> paths{CpuPath::kPortable};
  if (gostcrypto::detail::CpuSupportsAvx2()) paths.push_back(CpuPath::kAvx2);
  if (gostcrypto::detail::CpuSupportsAvx512Vbmi()) paths.push_back(CpuPath::kAvx512);
  return paths;
}

// Cut points of a random split of n items into pieces (seeded: reproducible).
inline std::vector<std::size_t> RandomPieces(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::size_t> pieces;
  while (n > 0) {
    const std::size_t take = std::min<std::size_t>(n, std::uniform_int_distribution<std::size_t>(0, 70)(rng));
    pieces.push_back(take);
    n -= take;
  }
  return pieces;
}

// The CryptoException code `call` throws, 0 when it returns.
template <typename Call>
int CryptoCode(Call&& call) {
  try {
    call();
  } catch (const gostcrypto::CryptoException& e) {
    return e.GetCode();
  }
  return 0;
}

}  // namespace tavrpki::test

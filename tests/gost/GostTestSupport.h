// Shared pieces of the GOST tests: the two tables of the vector files and the CPU
// paths every vector runs on.
#pragma once

#include <gtest/gtest.h>

#include <random>

#include "gostcrypto/CpuPath.h"
#include "gostcrypto/CryptoException.h"
#include "support/VectorFile.h"

namespace tavrpki::test {

// A named S-box of gost_sboxes.vec as 128 entries; 'default' gives an empty vector,
// meaning a null pointer.
inline std::vector<std::uint8_t> SBoxByName(const std::string& name) {
  std::vector<std::uint8_t> entries;
  if (name == "default") return entries;
  for (const Vector& v : ReadVectorFile("gost_sboxes.vec"))
    if (v.Get("Name") == name)
      for (char digit : v.Get("Entries"))
        entries.push_back(static_cast<std::uint8_t>(std::stoi(std::string(1, digit), nullptr, 16)));
  EXPECT_EQ(entries.size(), 128u) << "S-box " << name;
  return entries;
}

inline const unsigned char* OrNull(const std::vector<std::uint8_t>& v) { return v.empty() ? nullptr : v.data(); }

using CpuPath = gostcrypto::CipherPath;
using Bytes = std::vector<std::uint8_t>;

inline std::vector<CpuPath> AllPaths() {
  std::vector<CpuPath> paths{CpuPath::kPortable};
  if (gostcrypto::DetectedCpu().avx2) paths.push_back(CpuPath::kAvx2);
  if (gostcrypto::DetectedCpu().avx512vbmi) paths.push_back(CpuPath::kAvx512);
  return paths;
}

// Cut points of a random split of n items into pieces (seeded: reproducible).
inline std::vector<std::size_t> RandomPieces(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::size_t> pieces;
  for (std::size_t left = n; left > 0; left -= pieces.back()) pieces.push_back(std::min<std::size_t>(left, rng() % 71));
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

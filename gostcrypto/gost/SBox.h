// A GOST 28147-89 substitution table in the forms the round functions use.
//
// The caller's table is 128 bytes: 8 rows of 16 four-bit entries, row r
// substituting the four-bit group r of the round value (r = 0 the least
// significant). From it we derive
//   - `combined`: four 256-entry tables, one per byte of the round value, each
//     already shifted into place and rotated left by 11, so a round costs four loads
//     and three XORs (fast, but the loads are indexed by key-dependent data);
//   - `packed`: each row as one 64-bit word, entry i in bits 4i..4i+3, for the
//     portable constant-time substitution (a shift by a secret amount);
//   - `permLow` / `permHigh`: the even and odd rows laid out as 64-byte tables for a
//     byte permute (vpermb), the constant-time vector substitution.
#pragma once

#include <cstdint>
#include <memory>

namespace gostcrypto::detail {

struct SBox {
  alignas(64) std::uint32_t combined[4][256];
  std::uint64_t packed[8];
  alignas(64) std::uint8_t permLow[64];   // rows 0, 2, 4, 6: entry i of row 2k at 16k + i
  alignas(64) std::uint8_t permHigh[64];  // rows 1, 3, 5, 7, entries shifted left by 4
};

// Builds every form from 128 entries. A null table selects the default (DKE No. 1,
// gostcrypto/DkeNo1.h); a table with a row that is not a permutation of 0-15
// throws CryptoException(kBadSBox) and builds nothing.
void ExpandSBox(const unsigned char* entries, SBox& out);

// The same, shared and immutable: the default table is built once per process and
// each thread remembers the last two others, so engines made again and again with
// one table (a hash per message, a generator per signature) do not rebuild it.
std::shared_ptr<const SBox> SharedSBox(const unsigned char* entries);

}  // namespace gostcrypto::detail

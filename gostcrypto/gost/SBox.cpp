#include "SBox.h"

#include <bit>
#include <cstring>

#include "gostcrypto/CryptoException.h"
#include "gostcrypto/DkeNo1.h"

namespace gostcrypto::detail {

namespace {

// Refused before anything is built: a table that is not a permutation per row
// would let the cipher (and everything keyed through it) ignore part of its key.
void Expand(const unsigned char* entries, SBox& out) {
  if (!IsPermutationSBox(entries)) throw CryptoException(CryptoException::kBadSBox);
  unsigned char rows[8][16];
  for (int r = 0; r < 8; ++r)
    for (int i = 0; i < 16; ++i) rows[r][i] = entries[16 * r + i];

  for (int k = 0; k < 4; ++k)
    for (int b = 0; b < 256; ++b) {
      const std::uint32_t s = static_cast<std::uint32_t>(rows[2 * k][b & 15]) |
                              static_cast<std::uint32_t>(rows[2 * k + 1][b >> 4]) << 4;
      out.combined[k][b] = std::rotl(s << (8 * k), 11);
    }
  for (int r = 0; r < 8; ++r) {
    std::uint64_t word = 0;
    for (int i = 0; i < 16; ++i) word |= static_cast<std::uint64_t>(rows[r][i]) << (4 * i);
    out.packed[r] = word;
  }
  for (int k = 0; k < 4; ++k)
    for (int i = 0; i < 16; ++i) {
      out.permLow[16 * k + i] = rows[2 * k][i];
      out.permHigh[16 * k + i] = static_cast<std::uint8_t>(rows[2 * k + 1][i] << 4);
    }
}

}  // namespace

void ExpandSBox(const unsigned char* entries, SBox& out) {
  Expand(entries == nullptr ? kDkeNo1.data() : entries, out);
}

// Tables are public parameters, so caching them leaks nothing.
std::shared_ptr<const SBox> SharedSBox(const unsigned char* entries) {
  static const SBox* const kDefault = [] {
    static SBox box;
    Expand(kDkeNo1.data(), box);
    return &box;
  }();
  if (entries == nullptr || std::memcmp(entries, kDkeNo1.data(), 128) == 0)
    return std::shared_ptr<const SBox>(std::shared_ptr<const SBox>(), kDefault);  // not owned: lives forever
  struct Slot {
    unsigned char entries[128];
    std::shared_ptr<const SBox> box;
  };
  thread_local Slot slots[2];
  thread_local int next = 0;
  for (const Slot& slot : slots)
    if (slot.box && std::memcmp(slot.entries, entries, 128) == 0) return slot.box;
  auto box = std::make_shared<SBox>();
  Expand(entries, *box);
  Slot& slot = slots[next];
  next ^= 1;
  std::memcpy(slot.entries, entries, 128);
  slot.box = box;
  return box;
}

}  // namespace gostcrypto::detail

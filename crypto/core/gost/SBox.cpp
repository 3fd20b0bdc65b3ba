#include "SBox.h"

#include <bit>
#include <cstring>

namespace gostcrypto::detail {

// DKE No. 1 of the national instruction (packed A9 D6 EB 45 ...), unpacked.
const unsigned char kDefaultSBoxEntries[128] = {
    10, 9,  13, 6,  14, 11, 4,  5,  15, 1,  3,  12, 7,  0,  8,  2,   //
    8,  0,  12, 4,  9,  6,  7,  11, 2,  3,  1,  15, 5,  14, 10, 13,  //
    15, 6,  5,  8,  14, 11, 10, 4,  12, 0,  3,  7,  2,  9,  1,  13,  //
    3,  8,  13, 9,  6,  11, 15, 0,  2,  5,  12, 10, 4,  14, 1,  7,   //
    15, 8,  14, 9,  7,  2,  0,  13, 12, 6,  1,  5,  11, 4,  3,  10,  //
    2,  8,  9,  7,  5,  15, 0,  11, 12, 1,  13, 14, 10, 3,  6,  4,   //
    3,  8,  11, 5,  6,  4,  14, 10, 2,  12, 1,  7,  9,  15, 13, 0,   //
    1,  2,  3,  14, 6,  13, 11, 8,  15, 10, 12, 5,  7,  9,  0,  4};

namespace {

void Expand(const unsigned char* entries, SBox& out) {
  unsigned char rows[8][16];
  for (int r = 0; r < 8; ++r)
    for (int i = 0; i < 16; ++i) rows[r][i] = static_cast<unsigned char>(entries[16 * r + i] & 15);

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
  Expand(entries == nullptr ? kDefaultSBoxEntries : entries, out);
}

// Tables are public parameters, so caching them leaks nothing.
std::shared_ptr<const SBox> SharedSBox(const unsigned char* entries) {
  static const SBox* const kDefault = [] {
    static SBox box;
    Expand(kDefaultSBoxEntries, box);
    return &box;
  }();
  if (entries == nullptr || std::memcmp(entries, kDefaultSBoxEntries, 128) == 0)
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

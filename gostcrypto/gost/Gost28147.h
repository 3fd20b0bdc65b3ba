// The GOST 28147-89 rounds, written once and instantiated with two substitutions:
//   TableSub     four combined 8-bit lookups (rotation folded in): fastest scalar
//                form, but its loads are indexed by key-dependent data;
//   ShiftSub     each four-bit entry taken from its packed row by a shift: branch-
//                and table-free, so its timing does not depend on the data.
// A block is (N1, N2), the little-endian words of bytes 0..3 and 4..7. Keys are the
// eight little-endian words of the 32 key bytes.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "SBox.h"

namespace gostcrypto::detail {

// Words are stored little-endian whatever the CPU.
template <typename T>
inline T LittleEndian(T v) {
  static_assert(sizeof(T) == 4 || sizeof(T) == 8);
  if constexpr (std::endian::native == std::endian::big) {
    if constexpr (sizeof(T) == 4)
      return __builtin_bswap32(v);
    else
      return __builtin_bswap64(v);
  }
  return v;
}

template <typename T>
inline T Load(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return LittleEndian(v);
}

template <typename T>
inline void Store(unsigned char* p, T v) {
  v = LittleEndian(v);
  std::memcpy(p, &v, sizeof v);
}

inline std::uint32_t Load32(const unsigned char* p) { return Load<std::uint32_t>(p); }
inline void Store32(unsigned char* p, std::uint32_t v) { Store(p, v); }

inline void LoadKey(const unsigned char* key, std::uint32_t out[8]) {
  for (int i = 0; i < 8; ++i) out[i] = Load32(key + 4 * i);
}

struct TableSub {
  const SBox& s;
  std::uint32_t operator()(std::uint32_t x) const {
    // Two independent pairs: the XOR tree is two deep, not three.
    const std::uint32_t low = s.combined[0][x & 255] ^ s.combined[1][(x >> 8) & 255];
    const std::uint32_t high = s.combined[2][(x >> 16) & 255] ^ s.combined[3][x >> 24];
    return low ^ high;
  }
  // y ^ f(x) for a chained block, whose speed is the latency of a round: y joins
  // the XOR tree early and the load whose index takes two steps (byte 2) joins
  // last. The empty asm keeps the compiler from turning the tree into a chain.
  std::uint32_t Xor(std::uint32_t y, std::uint32_t x) const {
    std::uint32_t early = s.combined[0][x & 255] ^ s.combined[1][(x >> 8) & 255];
    std::uint32_t withY = y ^ s.combined[3][x >> 24];
#if defined(__GNUC__) || defined(__clang__)
    __asm__("" : "+r"(early), "+r"(withY));
#endif
    return (early ^ withY) ^ s.combined[2][(x >> 16) & 255];
  }
};

struct ShiftSub {
  const SBox& s;
  std::uint32_t operator()(std::uint32_t x) const {
    std::uint32_t y = 0;
    for (int r = 0; r < 8; ++r)
      y |= static_cast<std::uint32_t>((s.packed[r] >> (((x >> (4 * r)) & 15) * 4)) & 15) << (4 * r);
    return std::rotl(y, 11);
  }
  std::uint32_t Xor(std::uint32_t y, std::uint32_t x) const { return y ^ (*this)(x); }
};

// Runs `Lanes` independent blocks through the 32 encryption rounds side by side (their
// chains interleave in the pipeline); every lane may have its own key.
template <int Lanes, typename Sub>
inline void EncryptLanes(const Sub& f, const std::uint32_t* const keys[Lanes], std::uint32_t n1[Lanes],
                         std::uint32_t n2[Lanes]) {
  for (int rep = 0; rep < 3; ++rep)
    for (int j = 0; j < 8; j += 2) {
      for (int l = 0; l < Lanes; ++l) n2[l] = f.Xor(n2[l], n1[l] + keys[l][j]);
      for (int l = 0; l < Lanes; ++l) n1[l] = f.Xor(n1[l], n2[l] + keys[l][j + 1]);
    }
  for (int j = 7; j > 0; j -= 2) {
    for (int l = 0; l < Lanes; ++l) n2[l] = f.Xor(n2[l], n1[l] + keys[l][j]);
    for (int l = 0; l < Lanes; ++l) n1[l] = f.Xor(n1[l], n2[l] + keys[l][j - 1]);
  }
  // The last round does not swap: the halves come out as (n2, n1).
  for (int l = 0; l < Lanes; ++l) std::swap(n1[l], n2[l]);
}

template <int Lanes, typename Sub>
inline void DecryptLanes(const Sub& f, const std::uint32_t* const keys[Lanes], std::uint32_t n1[Lanes],
                         std::uint32_t n2[Lanes]) {
  for (int j = 0; j < 8; j += 2) {
    for (int l = 0; l < Lanes; ++l) n2[l] = f.Xor(n2[l], n1[l] + keys[l][j]);
    for (int l = 0; l < Lanes; ++l) n1[l] = f.Xor(n1[l], n2[l] + keys[l][j + 1]);
  }
  for (int rep = 0; rep < 3; ++rep)
    for (int j = 7; j > 0; j -= 2) {
      for (int l = 0; l < Lanes; ++l) n2[l] = f.Xor(n2[l], n1[l] + keys[l][j]);
      for (int l = 0; l < Lanes; ++l) n1[l] = f.Xor(n1[l], n2[l] + keys[l][j - 1]);
    }
  for (int l = 0; l < Lanes; ++l) std::swap(n1[l], n2[l]);
}

// One key for all lanes.
template <int Lanes, typename Sub>
inline void EncryptLanes(const Sub& f, const std::uint32_t key[8], std::uint32_t n1[Lanes],
                         std::uint32_t n2[Lanes]) {
  const std::uint32_t* keys[Lanes];
  for (int l = 0; l < Lanes; ++l) keys[l] = key;
  EncryptLanes<Lanes>(f, keys, n1, n2);
}

// One block with the 32 rounds written out and the key words in registers: the
// chained modes (CFB encryption) are bound by the latency of this sequence.
template <typename Sub>
inline void EncryptBlock(const Sub& f, const std::uint32_t key[8], std::uint32_t& n1, std::uint32_t& n2) {
  const std::uint32_t k0 = key[0], k1 = key[1], k2 = key[2], k3 = key[3], k4 = key[4], k5 = key[5], k6 = key[6],
                      k7 = key[7];
  std::uint32_t a = n1, b = n2;
  for (int rep = 0; rep < 3; ++rep) {
    b = f.Xor(b, a + k0);
    a = f.Xor(a, b + k1);
    b = f.Xor(b, a + k2);
    a = f.Xor(a, b + k3);
    b = f.Xor(b, a + k4);
    a = f.Xor(a, b + k5);
    b = f.Xor(b, a + k6);
    a = f.Xor(a, b + k7);
  }
  b = f.Xor(b, a + k7);
  a = f.Xor(a, b + k6);
  b = f.Xor(b, a + k5);
  a = f.Xor(a, b + k4);
  b = f.Xor(b, a + k3);
  a = f.Xor(a, b + k2);
  b = f.Xor(b, a + k1);
  a = f.Xor(a, b + k0);
  n1 = b;  // the last round does not swap
  n2 = a;
}

// The 16 rounds of the MAC mode (K0..K7 twice, every round swaps).
template <typename Sub>
inline void MacRounds(const Sub& f, const std::uint32_t key[8], std::uint32_t& n1, std::uint32_t& n2) {
  for (int rep = 0; rep < 2; ++rep)
    for (int j = 0; j < 8; j += 2) {
      n2 ^= f(n1 + key[j]);
      n1 ^= f(n2 + key[j + 1]);
    }
}

// The counter of the gamma mode: N3 += C2 mod 2^32, N4 += C1 mod (2^32 - 1).
inline void StepCounter(std::uint32_t& n3, std::uint32_t& n4) {
  n3 += 0x01010101u;
  const std::uint64_t sum = static_cast<std::uint64_t>(n4) + 0x01010104u;
  n4 = static_cast<std::uint32_t>(sum) + static_cast<std::uint32_t>(sum >> 32);
}

}  // namespace gostcrypto::detail

// The many-block modes (ECB both ways, counter-mode gamma, CFB decryption) written
// once over a vector kernel.
// Each vector file (BulkAvx2.cpp, BulkAvx512.cpp) instantiates them with a kernel
// type of its own:
//
//   struct Kernel {
//     using Tables = ...;  // the S-box as that instruction set wants it
//     using Key = ...;     // one round key word in every lane
//     static constexpr std::size_t kGroupBlocks;  // blocks per group
//     static constexpr int kGroups;               // groups in flight in the main loop
//     static Tables MakeTables(const SBox&);
//     static void BroadcastKey(const std::uint32_t key[8], Key k[8]);
//     // Encrypts (or decrypts) G groups from src, XORs them with xorWith (when not
//     // null) and stores them to dst; src, xorWith and dst may alias.
//     template <int G, bool Decrypt>
//     static void Process(const Tables&, const Key k[8], const unsigned char* src,
//                         const unsigned char* xorWith, unsigned char* dst);
//   };
//
// Everything here is a template, and those files' kernel types are file-local, so
// the code built for one instruction set stays in its own file: no shared inline
// symbol compiled with those flags can be picked by the linker for other callers.
// That is also why the three small helpers below are members here rather than the
// shared ones from Wipe.h and Gost28147.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "RoundOrder.h"
#include "SBox.h"

namespace gostcrypto::detail {

template <typename Kernel>
struct BulkModes {
  static constexpr std::size_t kGroupBlocks = Kernel::kGroupBlocks;
  static constexpr std::size_t kPassBlocks = kGroupBlocks * Kernel::kGroups;

  template <bool Decrypt>
  static void Ecb(const SBox& s, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
                  std::size_t blocks) {
    const typename Kernel::Tables t = Kernel::MakeTables(s);
    typename Kernel::Key k[8];
    Kernel::BroadcastKey(key, k);
    std::size_t i = 0;
    for (; i + kPassBlocks <= blocks; i += kPassBlocks)
      Kernel::template Process<Kernel::kGroups, Decrypt>(t, k, in + 8 * i, nullptr, out + 8 * i);
    for (; i + kGroupBlocks <= blocks; i += kGroupBlocks)
      Kernel::template Process<1, Decrypt>(t, k, in + 8 * i, nullptr, out + 8 * i);
    if (i < blocks) {
      alignas(64) unsigned char tail[8 * kGroupBlocks] = {};
      std::memcpy(tail, in + 8 * i, 8 * (blocks - i));
      Kernel::template Process<1, Decrypt>(t, k, tail, nullptr, tail);
      std::memcpy(out + 8 * i, tail, 8 * (blocks - i));
      Wipe(tail, sizeof tail);
    }
    Wipe(k, sizeof k);
  }

  static void Ctr(const SBox& s, const std::uint32_t key[8], std::uint32_t& n3, std::uint32_t& n4,
                  const unsigned char* in, unsigned char* out, std::size_t blocks) {
    XorGamma(s, key, in, out, blocks, [&](unsigned char* inputs, std::size_t, std::size_t n) {
      for (std::size_t b = 0; b < n; ++b) {
        StepCounter(n3, n4);
        std::memcpy(inputs + 8 * b, &n3, 4);  // x86: little-endian
        std::memcpy(inputs + 8 * b + 4, &n4, 4);
      }
    });
  }

  static void CfbDecrypt(const SBox& s, const std::uint32_t key[8], unsigned char feedback[8],
                         const unsigned char* in, unsigned char* out, std::size_t blocks) {
    XorGamma(s, key, in, out, blocks, [&](unsigned char* inputs, std::size_t i, std::size_t n) {
      std::memcpy(inputs, feedback, 8);
      std::memcpy(inputs + 8, in + 8 * i, 8 * (n - 1));  // n >= 1
      std::memcpy(feedback, in + 8 * (i + n - 1), 8);
    });
  }

 private:
  // out_i = in_i XOR E(g_i). fill(inputs, i, n) writes the gamma inputs of the n
  // blocks from block i; it runs before any of them is written, so CFB decryption
  // in place copies its ciphertext first.
  template <typename Fill>
  static void XorGamma(const SBox& s, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
                       std::size_t blocks, Fill&& fill) {
    const typename Kernel::Tables t = Kernel::MakeTables(s);
    typename Kernel::Key k[8];
    Kernel::BroadcastKey(key, k);
    alignas(64) unsigned char inputs[8 * kPassBlocks] = {};
    alignas(64) unsigned char tail[8 * kPassBlocks] = {};
    for (std::size_t i = 0; i < blocks;) {
      const std::size_t n = blocks - i >= kPassBlocks ? kPassBlocks : blocks - i;
      fill(inputs, i, n);
      if (n == kPassBlocks) {
        Kernel::template Process<Kernel::kGroups, false>(t, k, inputs, in + 8 * i, out + 8 * i);
      } else {
        // The last pass runs single groups over a padded copy.
        std::memset(tail, 0, sizeof tail);
        std::memcpy(tail, in + 8 * i, 8 * n);
        for (std::size_t g = 0; g * kGroupBlocks < n; ++g)
          Kernel::template Process<1, false>(t, k, inputs + 8 * kGroupBlocks * g, tail + 8 * kGroupBlocks * g,
                                             tail + 8 * kGroupBlocks * g);
        std::memcpy(out + 8 * i, tail, 8 * n);
      }
      i += n;
    }
    Wipe(inputs, sizeof inputs);
    Wipe(tail, sizeof tail);
    Wipe(k, sizeof k);
  }

  static void Wipe(void* data, std::size_t size) {
    std::memset(data, 0, size);
    __asm__ __volatile__("" : : "r"(data) : "memory");  // the stores stay
  }

  // The counter of the gamma mode, as StepCounter in Gost28147.h.
  static void StepCounter(std::uint32_t& n3, std::uint32_t& n4) {
    n3 += 0x01010101u;
    const std::uint64_t sum = static_cast<std::uint64_t>(n4) + 0x01010104u;
    n4 = static_cast<std::uint32_t>(sum) + static_cast<std::uint32_t>(sum >> 32);
  }
};

}  // namespace gostcrypto::detail

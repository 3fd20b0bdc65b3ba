// Scalar kernels: four independent blocks at a time so that their round chains
// overlap in the pipeline, then single blocks for the rest.
#include <cstring>

#include "gostcrypto/Wipe.h"
#include "Bulk.h"
#include "Gost28147.h"

namespace gostcrypto::detail {

using tavrpki::SecureWipe;
namespace {

constexpr int kLanes = 4;

template <typename Sub, bool Decrypt>
void Ecb(const SBox& s, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
         std::size_t blocks) {
  const Sub f{s};
  const std::uint32_t* keys[kLanes] = {key, key, key, key};
  std::uint32_t n1[kLanes], n2[kLanes];
  std::size_t i = 0;
  for (; i + kLanes <= blocks; i += kLanes) {
    for (int l = 0; l < kLanes; ++l) {
      n1[l] = Load32(in + 8 * (i + l));
      n2[l] = Load32(in + 8 * (i + l) + 4);
    }
    if constexpr (Decrypt)
      DecryptLanes<kLanes>(f, keys, n1, n2);
    else
      EncryptLanes<kLanes>(f, keys, n1, n2);
    for (int l = 0; l < kLanes; ++l) {
      Store32(out + 8 * (i + l), n1[l]);
      Store32(out + 8 * (i + l) + 4, n2[l]);
    }
  }
  for (; i < blocks; ++i) {
    std::uint32_t a = Load32(in + 8 * i), b = Load32(in + 8 * i + 4);
    if constexpr (Decrypt)
      DecryptLanes<1>(f, keys, &a, &b);
    else
      EncryptLanes<1>(f, keys, &a, &b);
    Store32(out + 8 * i, a);
    Store32(out + 8 * i + 4, b);
  }
  SecureWipe(n1, sizeof n1);
  SecureWipe(n2, sizeof n2);
}

// The gamma modes: out_i = in_i XOR E(g_i), the g_i taken from next(g1, g2, i) in
// order, four at a time. next is called for a whole group before any of its
// blocks is written, so CFB decryption in place reads each ciphertext block first.
template <typename Sub, typename Next>
void XorGamma(const Sub& f, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
              std::size_t blocks, Next&& next) {
  const std::uint32_t* keys[kLanes] = {key, key, key, key};
  std::uint32_t g1[kLanes], g2[kLanes];
  for (std::size_t i = 0; i < blocks;) {
    const int lanes = blocks - i >= kLanes ? kLanes : 1;
    for (int l = 0; l < lanes; ++l) next(g1[l], g2[l], i + l);
    if (lanes == kLanes)
      EncryptLanes<kLanes>(f, keys, g1, g2);
    else
      EncryptLanes<1>(f, keys, g1, g2);
    for (int l = 0; l < lanes; ++l, ++i) {
      Store32(out + 8 * i, Load32(in + 8 * i) ^ g1[l]);
      Store32(out + 8 * i + 4, Load32(in + 8 * i + 4) ^ g2[l]);
    }
  }
  SecureWipe(g1, sizeof g1);
  SecureWipe(g2, sizeof g2);
}

template <typename Sub>
void Ctr(const SBox& s, const std::uint32_t key[8], std::uint32_t& n3, std::uint32_t& n4,
         const unsigned char* in, unsigned char* out, std::size_t blocks) {
  XorGamma(Sub{s}, key, in, out, blocks, [&](std::uint32_t& g1, std::uint32_t& g2, std::size_t) {
    StepCounter(n3, n4);
    g1 = n3;
    g2 = n4;
  });
}

template <typename Sub>
void CfbDecrypt(const SBox& s, const std::uint32_t key[8], unsigned char feedback[8], const unsigned char* in,
                unsigned char* out, std::size_t blocks) {
  std::uint32_t previous1 = Load32(feedback), previous2 = Load32(feedback + 4);
  XorGamma(Sub{s}, key, in, out, blocks, [&](std::uint32_t& g1, std::uint32_t& g2, std::size_t i) {
    g1 = previous1;
    g2 = previous2;
    previous1 = Load32(in + 8 * i);
    previous2 = Load32(in + 8 * i + 4);
  });
  Store32(feedback, previous1);
  Store32(feedback + 4, previous2);
}

template <typename Sub>
void CfbEncrypt(const SBox& s, const std::uint32_t key[8], unsigned char feedback[8], const unsigned char* in,
                unsigned char* out, std::size_t blocks) {
  const Sub f{s};
  std::uint32_t a = Load32(feedback), b = Load32(feedback + 4);
  for (std::size_t i = 0; i < blocks; ++i) {
    EncryptBlock(f, key, a, b);
    a ^= Load32(in + 8 * i);
    b ^= Load32(in + 8 * i + 4);
    Store32(out + 8 * i, a);
    Store32(out + 8 * i + 4, b);
  }
  Store32(feedback, a);
  Store32(feedback + 4, b);
}

template <typename Sub>
constexpr BulkOps MakeOps(const char* name) {
  return BulkOps{&Ecb<Sub, false>, &Ecb<Sub, true>, &Ctr<Sub>, &CfbDecrypt<Sub>, &CfbEncrypt<Sub>, name};
}

constexpr BulkOps kTableOps = MakeOps<TableSub>("portable");
constexpr BulkOps kShiftOps = MakeOps<ShiftSub>("portable-ct");

}  // namespace

const BulkOps& PortableTableOps() { return kTableOps; }
const BulkOps& PortableConstantTimeOps() { return kShiftOps; }

}  // namespace gostcrypto::detail

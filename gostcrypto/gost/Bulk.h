// The many-block cipher kernels: the work whose blocks are independent (ECB both
// ways, the counter-mode gamma, CFB decryption). Each CPU path supplies one set;
// the engines pick a set once, when they are built.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gostcrypto/CpuPath.h"
#include "SBox.h"

namespace gostcrypto::detail {

struct BulkOps {
  void (*ecbEncrypt)(const SBox& s, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
                     std::size_t blocks);
  void (*ecbDecrypt)(const SBox& s, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
                     std::size_t blocks);
  // XORs the gamma of `blocks` counter steps into in -> out; n3, n4 advance.
  void (*ctr)(const SBox& s, const std::uint32_t key[8], std::uint32_t& n3, std::uint32_t& n4,
              const unsigned char* in, unsigned char* out, std::size_t blocks);
  // CFB decryption: out_i = in_i XOR E(in_{i-1}), in_{-1} = feedback; feedback
  // becomes the last ciphertext block.
  void (*cfbDecrypt)(const SBox& s, const std::uint32_t key[8], unsigned char feedback[8],
                     const unsigned char* in, unsigned char* out, std::size_t blocks);
  // CFB encryption, one chained block after another.
  void (*cfbEncrypt)(const SBox& s, const std::uint32_t key[8], unsigned char feedback[8],
                     const unsigned char* in, unsigned char* out, std::size_t blocks);
  const char* name;
};

// Scalar kernels with the combined 8-bit tables (fast, loads indexed by data).
const BulkOps& PortableTableOps();
// Scalar kernels with the shift substitution (constant time).
const BulkOps& PortableConstantTimeOps();
// AVX2 byte-shuffle kernels (constant time but CFB encryption); only on CPUs that have it.
const BulkOps& Avx2Ops();
// AVX-512 VBMI byte-permute kernels (constant time); only on CPUs that have it.
const BulkOps& Avx512Ops();

// CFB encryption of `count` (at most 16) independent messages of `blocks` blocks
// each, in place, as the lanes of one register (data[i] message i, feedback[i]
// its synchronisation vector in, its last ciphertext block out): a chained block
// costs one lane of the permute kernel, so up to sixteen chains cost about one, in
// constant time. Only on CPUs with AVX-512 VBMI.
void CfbEncryptLanesAvx512(const SBox& s, const std::uint32_t key[8], unsigned char* const data[],
                           unsigned char* const feedback[], std::size_t count, std::size_t blocks);

// The set the engines use on `path` (see docs/side-channels.md for the choice).
const BulkOps& OpsFor(CipherPath path);

}  // namespace gostcrypto::detail

// GOST 34.311-95 over 32-byte blocks: the step function, the running checksum and
// length, and the final three steps. HashEngine wraps it; the random generator uses
// it (constant-time form) to condense its seed material.
#pragma once

#include <cstddef>
#include <cstdint>

#include "SBox.h"

namespace gostcrypto::detail {

// How a step substitutes: which kernel runs is fixed when the hash is built.
enum class HashKernel {
  kTables,  // combined 8-bit tables, four encryptions interleaved: public data only
  kTablesAvx512,  // the same rounds, the linear map on AVX-512 (fewer instructions): public data only
  kShifts,  // shift substitution: constant time, portable
  kAvx512,  // byte permutes: constant time, CPUs with AVX-512 VBMI
};

class Gost34311 {
 public:
  // sbox must outlive this object. start: optional 32-byte starting value.
  // secretInput selects a constant-time kernel (permutes where the CPU path has
  // them, shifts otherwise). Public data runs the table rounds, the fastest form on
  // every path: a round is a chain of dependent steps, and the vector permute's
  // latency exceeds that of four table loads.
  Gost34311(const SBox& sbox, const unsigned char* start, bool secretInput);
  Gost34311(const Gost34311&) = default;
  Gost34311& operator=(const Gost34311&) = default;
  ~Gost34311();

  void Update(const unsigned char* data, std::size_t size);
  void Final(unsigned char out[32]);

  HashKernel Kernel() const { return m_kernel; }

  // Update(data[i], size) on hashes[i] for every i < count. Hashes on the permute
  // kernel with one table whose buffers hold the same number of bytes (as after
  // inputs of equal length) step side by side, four to a kernel call at about the
  // cost of one; any other hash is updated on its own.
  static void UpdateTogether(Gost34311* const hashes[], const unsigned char* const data[], std::size_t count,
                             std::size_t size);

 private:
  void Blocks(const unsigned char* data, std::size_t count);
  void CountBytes(std::size_t size);
  static void BlocksTogether(Gost34311* const group[], const unsigned char* const data[], std::size_t offset,
                             std::size_t n, std::size_t count);

  const SBox* m_sbox;
  HashKernel m_kernel;
  std::uint64_t m_h[4];
  std::uint64_t m_sigma[4];
  std::uint64_t m_bytes = 0;      // message length in bytes, low 64 bits
  std::uint64_t m_bytesHigh = 0;  // carried above 2^64 bytes (never in practice)
  unsigned char m_buffer[32];
  std::size_t m_buffered = 0;
};

const char* HashKernelName(HashKernel kernel);

}  // namespace gostcrypto::detail

// GOST 34.311-95 over 32-byte blocks: the step function, the running checksum and
// length, and the final three steps. HashEngine wraps it; the random generator uses
// it (constant-time form) to condense its seed material.
#pragma once

#include <cstddef>
#include <cstdint>

#include "SBox.h"

namespace gostcrypto::detail {

class Gost34311 {
 public:
  // sbox must outlive this object. start: optional 32-byte starting value.
  // On the AVX-512 path the step runs on byte permutes (constant time). On the
  // portable path constantTime selects the shift substitution (for secret input);
  // otherwise the combined tables run.
  Gost34311(const SBox& sbox, const unsigned char* start, bool constantTime);
  Gost34311(const Gost34311&) = default;
  Gost34311& operator=(const Gost34311&) = default;
  ~Gost34311();

  void Update(const unsigned char* data, std::size_t size);
  void Final(unsigned char out[32]);

 private:
  void Blocks(const unsigned char* data, std::size_t count);

  const SBox* m_sbox;
  bool m_constantTime;
  bool m_vector;  // the AVX-512 step (constant time as well)
  std::uint64_t m_h[4];
  std::uint64_t m_sigma[4];
  std::uint64_t m_bytes = 0;      // message length in bytes, low 64 bits
  std::uint64_t m_bytesHigh = 0;  // carried above 2^64 bytes (never in practice)
  unsigned char m_buffer[32];
  std::size_t m_buffered = 0;
};

}  // namespace gostcrypto::detail

// AVX-512 VBMI kernels: 16 blocks per 512-bit register, G registers in flight, the
// substitutions by byte permutes (Avx512Round.h): constant time.
// Compiled with -mavx512f -mavx512bw -mavx512vl -mavx512vbmi.
#include <cstring>

#include "Wipe.h"
#include "Avx512Round.h"
#include "Bulk.h"
#include "Gost28147.h"

namespace gostcrypto::detail {

using tavrpki::SecureWipe;
namespace {

using avx512::MakeTables;
using avx512::Rounds;
using avx512::Tables;

void BroadcastKey(const std::uint32_t key[8], __m512i k[8]) {
  for (int j = 0; j < 8; ++j) k[j] = _mm512_set1_epi32(static_cast<int>(key[j]));
}

// 16 blocks in memory order <-> the N1 words and the N2 words in two registers.
inline void Split(const unsigned char* p, __m512i& n1, __m512i& n2) {
  const __m512i a = _mm512_loadu_si512(p), b = _mm512_loadu_si512(p + 64);
  const __m512i even = _mm512_set_epi32(30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0);
  const __m512i odd = _mm512_set_epi32(31, 29, 27, 25, 23, 21, 19, 17, 15, 13, 11, 9, 7, 5, 3, 1);
  n1 = _mm512_permutex2var_epi32(a, even, b);
  n2 = _mm512_permutex2var_epi32(a, odd, b);
}

inline void Join(__m512i n1, __m512i n2, __m512i& a, __m512i& b) {
  const __m512i lo = _mm512_set_epi32(23, 7, 22, 6, 21, 5, 20, 4, 19, 3, 18, 2, 17, 1, 16, 0);
  const __m512i hi = _mm512_set_epi32(31, 15, 30, 14, 29, 13, 28, 12, 27, 11, 26, 10, 25, 9, 24, 8);
  a = _mm512_permutex2var_epi32(n1, lo, n2);
  b = _mm512_permutex2var_epi32(n1, hi, n2);
}

// Encrypts (or decrypts) 16 * G blocks from src, then XORs them with xorWith (when
// not null) and stores to dst. src, xorWith and dst may alias.
template <int G, bool Decrypt>
inline void Process(const Tables& t, const __m512i k[8], const unsigned char* src, const unsigned char* xorWith,
                    unsigned char* dst) {
  __m512i n1[G], n2[G];
  for (int g = 0; g < G; ++g) Split(src + 128 * g, n1[g], n2[g]);
  Rounds<G, Decrypt>(t, k, n1, n2);
  for (int g = 0; g < G; ++g) {
    __m512i a, b;
    Join(n1[g], n2[g], a, b);
    if (xorWith != nullptr) {
      a = _mm512_xor_si512(a, _mm512_loadu_si512(xorWith + 128 * g));
      b = _mm512_xor_si512(b, _mm512_loadu_si512(xorWith + 128 * g + 64));
    }
    _mm512_storeu_si512(dst + 128 * g, a);
    _mm512_storeu_si512(dst + 128 * g + 64, b);
  }
}

constexpr int kGroups = 4;              // registers in flight in the main loop
constexpr std::size_t kWide = 16 * kGroups;  // blocks per main-loop pass

template <bool Decrypt>
void Ecb(const SBox& s, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
         std::size_t blocks) {
  const Tables t = MakeTables(s);
  __m512i k[8];
  BroadcastKey(key, k);
  std::size_t i = 0;
  for (; i + kWide <= blocks; i += kWide) Process<kGroups, Decrypt>(t, k, in + 8 * i, nullptr, out + 8 * i);
  for (; i + 16 <= blocks; i += 16) Process<1, Decrypt>(t, k, in + 8 * i, nullptr, out + 8 * i);
  if (i < blocks) {
    alignas(64) unsigned char tail[128] = {};
    std::memcpy(tail, in + 8 * i, 8 * (blocks - i));
    Process<1, Decrypt>(t, k, tail, nullptr, tail);
    std::memcpy(out + 8 * i, tail, 8 * (blocks - i));
    SecureWipe(tail, sizeof tail);
  }
  SecureWipe(k, sizeof k);
}

// The gamma modes: out_i = in_i XOR E(g_i). fill(inputs, i, n) writes the gamma
// inputs of the n blocks from block i into `inputs`; it runs before any of those
// blocks is written, so CFB decryption in place copies its ciphertext first.
template <typename Fill>
void XorGamma(const SBox& s, const std::uint32_t key[8], const unsigned char* in, unsigned char* out,
              std::size_t blocks, Fill&& fill) {
  const Tables t = MakeTables(s);
  __m512i k[8];
  BroadcastKey(key, k);
  alignas(64) unsigned char inputs[8 * kWide] = {};
  alignas(64) unsigned char tail[8 * kWide] = {};
  for (std::size_t i = 0; i < blocks;) {
    const std::size_t n = blocks - i >= kWide ? kWide : blocks - i;
    fill(inputs, i, n);
    if (n == kWide) {
      Process<kGroups, false>(t, k, inputs, in + 8 * i, out + 8 * i);
    } else {
      // The last pass runs 16-block groups over a padded copy.
      const std::size_t groups = (n + 15) / 16;
      std::memset(tail, 0, sizeof tail);
      std::memcpy(tail, in + 8 * i, 8 * n);
      for (std::size_t g = 0; g < groups; ++g)
        Process<1, false>(t, k, inputs + 128 * g, tail + 128 * g, tail + 128 * g);
      std::memcpy(out + 8 * i, tail, 8 * n);
    }
    i += n;
  }
  SecureWipe(inputs, sizeof inputs);
  SecureWipe(tail, sizeof tail);
  SecureWipe(k, sizeof k);
}

void Ctr(const SBox& s, const std::uint32_t key[8], std::uint32_t& n3, std::uint32_t& n4, const unsigned char* in,
         unsigned char* out, std::size_t blocks) {
  XorGamma(s, key, in, out, blocks, [&](unsigned char* inputs, std::size_t, std::size_t n) {
    for (std::size_t b = 0; b < n; ++b) {
      StepCounter(n3, n4);
      Store32(inputs + 8 * b, n3);
      Store32(inputs + 8 * b + 4, n4);
    }
  });
}

void CfbDecrypt(const SBox& s, const std::uint32_t key[8], unsigned char feedback[8], const unsigned char* in,
                unsigned char* out, std::size_t blocks) {
  XorGamma(s, key, in, out, blocks, [&](unsigned char* inputs, std::size_t i, std::size_t n) {
    std::memcpy(inputs, feedback, 8);
    std::memcpy(inputs + 8, in + 8 * i, 8 * (n - 1));  // n >= 1
    std::memcpy(feedback, in + 8 * (i + n - 1), 8);
  });
}

}  // namespace

const BulkOps& Avx512Ops() {
  // CFB encryption is one chained block at a time: the permute path has no parallel
  // work to hide its latency, and the constant-time scalar kernel reaches only about
  // two thirds of the table speed, so this one mode keeps the combined tables
  // (docs/side-channels.md).
  static const BulkOps ops{&Ecb<false>, &Ecb<true>, &Ctr, &CfbDecrypt, PortableTableOps().cfbEncrypt, "avx512"};
  return ops;
}

}  // namespace gostcrypto::detail

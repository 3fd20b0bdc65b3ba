// AVX-512 VBMI kernels: 16 blocks per 512-bit register, G registers in flight, the
// substitutions by byte permutes (Avx512Round.h): constant time.
// Compiled with -mavx512f -mavx512bw -mavx512vl -mavx512vbmi.
#include <cstring>

#include "Avx512Round.h"
#include "Bulk.h"
#include "BulkModes.h"

namespace gostcrypto::detail {
namespace {

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

struct Avx512Kernel {
  using Tables = avx512::Tables;
  using Key = __m512i;
  static constexpr std::size_t kGroupBlocks = 16;  // one register
  static constexpr int kGroups = 4;                // registers in flight in the main loop

  static Tables MakeTables(const SBox& s) { return avx512::MakeTables(s); }

  static void BroadcastKey(const std::uint32_t key[8], Key k[8]) {
    for (int j = 0; j < 8; ++j) k[j] = _mm512_set1_epi32(static_cast<int>(key[j]));
  }

  // Encrypts (or decrypts) 16 * G blocks from src, then XORs them with xorWith (when
  // not null) and stores to dst. src, xorWith and dst may alias.
  template <int G, bool Decrypt>
  static void Process(const Tables& t, const __m512i k[8], const unsigned char* src, const unsigned char* xorWith,
                      unsigned char* dst) {
    __m512i n1[G], n2[G];
    for (int g = 0; g < G; ++g) Split(src + 128 * g, n1[g], n2[g]);
    avx512::Rounds<G, Decrypt>(t, k, n1, n2);
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
};

using Modes = BulkModes<Avx512Kernel>;

}  // namespace

void CfbEncryptLanesAvx512(const SBox& s, const std::uint32_t key[8], unsigned char* const data[],
                           unsigned char* const feedback[], std::size_t count, std::size_t blocks) {
  const avx512::Tables t = avx512::MakeTables(s);
  __m512i k[8];
  Avx512Kernel::BroadcastKey(key, k);
  // Lane l: N1 and N2 of message l's chain. Unused lanes run on zeros.
  alignas(64) std::uint32_t w1[16] = {}, w2[16] = {};
  for (std::size_t l = 0; l < count; ++l) {
    std::memcpy(&w1[l], feedback[l], 4);  // x86: little-endian
    std::memcpy(&w2[l], feedback[l] + 4, 4);
  }
  __m512i n1 = _mm512_load_si512(w1), n2 = _mm512_load_si512(w2);
  for (std::size_t b = 0; b < blocks; ++b) {
    avx512::Rounds<1, false>(t, k, &n1, &n2);
    for (std::size_t l = 0; l < count; ++l) {
      std::memcpy(&w1[l], data[l] + 8 * b, 4);
      std::memcpy(&w2[l], data[l] + 8 * b + 4, 4);
    }
    n1 = _mm512_xor_si512(n1, _mm512_load_si512(w1));
    n2 = _mm512_xor_si512(n2, _mm512_load_si512(w2));
    _mm512_store_si512(w1, n1);
    _mm512_store_si512(w2, n2);
    for (std::size_t l = 0; l < count; ++l) {
      std::memcpy(data[l] + 8 * b, &w1[l], 4);
      std::memcpy(data[l] + 8 * b + 4, &w2[l], 4);
    }
  }
  _mm512_store_si512(w1, n1);
  _mm512_store_si512(w2, n2);
  for (std::size_t l = 0; l < count; ++l) {
    std::memcpy(feedback[l], &w1[l], 4);
    std::memcpy(feedback[l] + 4, &w2[l], 4);
  }
  std::memset(w1, 0, sizeof w1);
  std::memset(w2, 0, sizeof w2);
  std::memset(k, 0, sizeof k);
  __asm__ __volatile__("" : : "r"(w1), "r"(w2), "r"(k) : "memory");  // the stores stay
}

const BulkOps& Avx512Ops() {
  // CFB encryption is one chained block at a time: the permute path has no parallel
  // work to hide its latency, and the constant-time scalar kernel reaches only about
  // two thirds of the table speed, so this one mode keeps the combined tables
  // (docs/side-channels.md).
  static const BulkOps ops{&Modes::Ecb<false>, &Modes::Ecb<true>, &Modes::Ctr, &Modes::CfbDecrypt,
                           PortableTableOps().cfbEncrypt, "avx512"};
  return ops;
}

}  // namespace gostcrypto::detail
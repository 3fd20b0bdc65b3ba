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
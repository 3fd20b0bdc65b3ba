#include "Gost34311.h"

#include <cstring>
#include <utility>

#include "gostcrypto/CpuPath.h"
#include "Gost28147.h"
#include "Gost34311Step.h"
#include "gostcrypto/Wipe.h"

namespace gostcrypto::detail {

using tavrpki::SecureWipe;
namespace {

// The working memory of the steps. It lives across all steps of one Update or
// Final and is wiped once at the end, not after every step.
struct Scratch {
  std::uint64_t m[4];
  std::uint32_t keys[4][8];
  std::uint32_t t[16];  // 16-bit words of H ^ psi(M)
  std::uint32_t s[16];  // 16-bit words of S
  std::uint64_t x[4];   // psi^61(H) ^ psi^62(M), AVX-512 kernel
};

// Wipes the scratch when the call that owns it returns (or throws).
class ScratchGuard {
 public:
  ScratchGuard() = default;
  ScratchGuard(const ScratchGuard&) = delete;
  ScratchGuard& operator=(const ScratchGuard&) = delete;
  ~ScratchGuard() { SecureWipe(&m_scratch, sizeof m_scratch); }
  Scratch& operator*() { return m_scratch; }

 private:
  Scratch m_scratch;
};

// A(y) = (y2, y3, y4, y1 xor y2) on 64-bit quarters.
inline void A(std::uint64_t y[4]) {
  const std::uint64_t y1 = y[0];
  y[0] = y[1];
  y[1] = y[2];
  y[2] = y[3];
  y[3] = y1 ^ y[0];
}

// P(y): byte i of key word k is byte k of quarter i. Two rounds of 2x2 transposes
// (bytes between quarters 0/1 and 2/3, then byte pairs between 0/2 and 1/3) leave
// key words k and k + 4 in the two halves of quarter k.
inline void P(const std::uint64_t y[4], std::uint32_t key[8]) {
  constexpr std::uint64_t kBytes = 0x00FF00FF00FF00FFull, kPairs = 0x0000FFFF0000FFFFull;
  std::uint64_t a = y[0], b = y[1], c = y[2], d = y[3];
  std::uint64_t t = ((a >> 8) ^ b) & kBytes;
  a ^= t << 8;
  b ^= t;
  t = ((c >> 8) ^ d) & kBytes;
  c ^= t << 8;
  d ^= t;
  t = ((a >> 16) ^ c) & kPairs;
  a ^= t << 16;
  c ^= t;
  t = ((b >> 16) ^ d) & kPairs;
  b ^= t << 16;
  d ^= t;
  const std::uint64_t q[4] = {a, b, c, d};
  for (int k = 0; k < 4; ++k) {
    key[k] = static_cast<std::uint32_t>(q[k]);
    key[k + 4] = static_cast<std::uint32_t>(q[k] >> 32);
  }
}

// The four keys of a step from H and M (U, V and W of the standard).
inline void DeriveKeys(const std::uint64_t h[4], const std::uint64_t m[4], std::uint32_t keys[4][8]) {
  std::uint64_t u[4], v[4], w[4];
  for (int i = 0; i < 4; ++i) {
    u[i] = h[i];
    v[i] = m[i];
    w[i] = u[i] ^ v[i];
  }
  P(w, keys[0]);
  for (int j = 1; j < 4; ++j) {
    A(u);
    if (j == 2)
      for (int i = 0; i < 4; ++i) u[i] ^= kC3[i];
    A(v);
    A(v);
    for (int i = 0; i < 4; ++i) w[i] = u[i] ^ v[i];
    P(w, keys[j]);
  }
}

inline void ToWords(const std::uint64_t v[4], std::uint32_t w[16]) {
  for (int i = 0; i < 16; ++i) w[i] = static_cast<std::uint32_t>(v[i / 4] >> (16 * (i % 4))) & 0xFFFF;
}

template <const PsiMap& Map, int J, int... I>
inline std::uint32_t PsiRow(const std::uint32_t* w, std::integer_sequence<int, I...>) {
  return ((Map.rows[J] >> I & 1 ? w[I] : 0u) ^ ...);
}

// psi^61(T) ^ psi^74(S), packed back into quarters.
template <int... Q>
inline void Mix(const std::uint32_t* t, const std::uint32_t* s, std::uint64_t h[4], std::integer_sequence<int, Q...>) {
  constexpr auto kInputs = std::make_integer_sequence<int, 16>{};
  auto word = [&]<int J>(std::integral_constant<int, J>) {
    return static_cast<std::uint64_t>(PsiRow<kPsi61, J>(t, kInputs) ^ PsiRow<kPsi74, J>(s, kInputs));
  };
  ((h[Q] = word(std::integral_constant<int, 4 * Q>{}) | word(std::integral_constant<int, 4 * Q + 1>{}) << 16 |
           word(std::integral_constant<int, 4 * Q + 2>{}) << 32 | word(std::integral_constant<int, 4 * Q + 3>{}) << 48),
   ...);
}

// One step: H = psi^61(H ^ psi(M)) ^ psi^74(S), S the four encryptions of H's
// quarters under the keys derived from H and M. The encryptions run as four
// interleaved lanes; H ^ psi(M), which needs no S, is formed before them. Inlined
// into the block loop, so that H stays in registers from one step to the next.
template <typename Sub>
[[gnu::always_inline]] inline void Step(const Sub& f, Scratch& w, std::uint64_t h[4], const std::uint64_t m[4]) {
  DeriveKeys(h, m, w.keys);

  // psi(M): the quarters shifted down one word, the feedback word on top.
  std::uint64_t fold = m[0] ^ (m[0] >> 32);
  fold ^= (fold >> 16) ^ m[3] ^ (m[3] >> 48);  // w1 ^ w2 ^ w3 ^ w4 ^ w13 ^ w16 in the low 16 bits
  std::uint64_t t[4];
  for (int q = 0; q < 3; ++q) t[q] = h[q] ^ (m[q] >> 16) ^ (m[q + 1] << 48);
  t[3] = h[3] ^ (m[3] >> 16) ^ (fold << 48);
  ToWords(t, w.t);

  const std::uint32_t* keys[4] = {w.keys[0], w.keys[1], w.keys[2], w.keys[3]};
  std::uint32_t n1[4], n2[4];
  for (int i = 0; i < 4; ++i) {
    n1[i] = static_cast<std::uint32_t>(h[i]);
    n2[i] = static_cast<std::uint32_t>(h[i] >> 32);
  }
  EncryptLanes<4>(f, keys, n1, n2);
  for (int i = 0; i < 4; ++i) {
    w.s[4 * i] = n1[i] & 0xFFFF;
    w.s[4 * i + 1] = n1[i] >> 16;
    w.s[4 * i + 2] = n2[i] & 0xFFFF;
    w.s[4 * i + 3] = n2[i] >> 16;
  }
  Mix(w.t, w.s, h, std::make_integer_sequence<int, 4>{});
}

// The AVX-512 kernels: the whole step in vector registers, or scalar keys and table
// rounds with the linear map in vector registers (fewer instructions than the
// scalar map, and its H and M half starts before the rounds). Never chosen without
// the AVX-512 build.
struct PermuteSub {
  const SBox& s;
};
struct TablesAvx512Sub {
  const SBox& s;
};

inline void Step(const PermuteSub& f, Scratch&, std::uint64_t h[4], const std::uint64_t m[4]) {
#if defined(TAVRPKI_HAVE_AVX512_KERNELS)
  HashStepAvx512(f.s, h, m);
#else
  (void)f, (void)h, (void)m;
#endif
}

[[gnu::always_inline]] inline void Step(const TablesAvx512Sub& f, Scratch& w, std::uint64_t h[4],
                                        const std::uint64_t m[4]) {
#if defined(TAVRPKI_HAVE_AVX512_KERNELS)
  DeriveKeys(h, m, w.keys);
  HashMixHmAvx512(h, m, w.x);
  const std::uint32_t* keys[4] = {w.keys[0], w.keys[1], w.keys[2], w.keys[3]};
  std::uint32_t n1[4], n2[4];
  for (int i = 0; i < 4; ++i) {
    n1[i] = static_cast<std::uint32_t>(h[i]);
    n2[i] = static_cast<std::uint32_t>(h[i] >> 32);
  }
  EncryptLanes<4>(TableSub{f.s}, keys, n1, n2);
  auto quarter = [&](int i) { return static_cast<std::uint64_t>(n1[i]) | static_cast<std::uint64_t>(n2[i]) << 32; };
  HashMixSAvx512(w.x, quarter(0), quarter(1), quarter(2), quarter(3), h);
#else
  (void)f, (void)w, (void)h, (void)m;
#endif
}

inline void AddTo(std::uint64_t sum[4], const std::uint64_t m[4]) {
  unsigned carry = 0;
  for (int i = 0; i < 4; ++i) {
    const std::uint64_t a = sum[i] + m[i];
    const unsigned c1 = a < m[i];
    sum[i] = a + carry;
    carry = c1 | (sum[i] < a);
  }
}

// Runs fn with the substitution of `kernel`.
template <typename Fn>
inline void WithKernel(HashKernel kernel, const SBox& s, Fn&& fn) {
  switch (kernel) {
    case HashKernel::kTables:
      fn(TableSub{s});
      break;
    case HashKernel::kTablesAvx512:
      fn(TablesAvx512Sub{s});
      break;
    case HashKernel::kShifts:
      fn(ShiftSub{s});
      break;
    case HashKernel::kAvx512:
      fn(PermuteSub{s});
      break;
  }
}

HashKernel ChooseKernel(bool secretInput) {
  const bool vector = ActiveCipherPath() == CipherPath::kAvx512;
  if (secretInput) return vector ? HashKernel::kAvx512 : HashKernel::kShifts;
  return vector ? HashKernel::kTablesAvx512 : HashKernel::kTables;
}

}  // namespace

const char* HashKernelName(HashKernel kernel) {
  static constexpr const char* kNames[] = {"tables", "tables+avx512", "shifts", "avx512"};
  return kNames[static_cast<int>(kernel)];
}

Gost34311::Gost34311(const SBox& sbox, const unsigned char* start, bool secretInput)
    : m_sbox(&sbox), m_kernel(ChooseKernel(secretInput)), m_h{}, m_sigma{}, m_buffer{} {
  if (start != nullptr)
    for (int i = 0; i < 4; ++i) m_h[i] = Load<std::uint64_t>(start + 8 * i);
}

Gost34311::~Gost34311() {
  SecureWipe(m_h, sizeof m_h);
  SecureWipe(m_sigma, sizeof m_sigma);
  SecureWipe(m_buffer, sizeof m_buffer);
}

void Gost34311::Blocks(const unsigned char* data, std::size_t count) {
  ScratchGuard guard;
  Scratch& w = *guard;
  WithKernel(m_kernel, *m_sbox, [&](const auto& f) {
    std::uint64_t h[4] = {m_h[0], m_h[1], m_h[2], m_h[3]};
    for (std::size_t b = 0; b < count; ++b, data += 32) {
      for (int i = 0; i < 4; ++i) w.m[i] = Load<std::uint64_t>(data + 8 * i);
      Step(f, w, h, w.m);
      AddTo(m_sigma, w.m);
    }
    std::memcpy(m_h, h, sizeof h);
    SecureWipe(h, sizeof h);
  });
}

void Gost34311::CountBytes(std::size_t size) {
  const std::uint64_t before = m_bytes;
  m_bytes += size;
  m_bytesHigh += m_bytes < before;
}

void Gost34311::Update(const unsigned char* data, std::size_t size) {
  CountBytes(size);
  if (m_buffered > 0) {
    const std::size_t take = size < 32 - m_buffered ? size : 32 - m_buffered;
    std::memcpy(m_buffer + m_buffered, data, take);
    m_buffered += take;
    data += take;
    size -= take;
    if (m_buffered < 32) return;
    Blocks(m_buffer, 1);
    m_buffered = 0;
  }
  const std::size_t whole = size / 32;
  if (whole > 0) Blocks(data, whole);
  data += 32 * whole;
  size -= 32 * whole;
  if (size > 0) {
    std::memcpy(m_buffer, data, size);
    m_buffered = size;
  }
}

void Gost34311::BlocksTogether(Gost34311* const group[], const unsigned char* const data[], std::size_t offset,
                               std::size_t n, std::size_t count) {
#if defined(TAVRPKI_HAVE_AVX512_KERNELS)
  struct Lanes {
    std::uint64_t h[4][4];
    std::uint64_t m[4][4];
  } w;
  for (std::size_t g = 0; g < n; ++g) std::memcpy(w.h[g], group[g]->m_h, sizeof w.h[g]);
  for (std::size_t b = 0; b < count; ++b) {
    for (std::size_t g = 0; g < n; ++g)
      for (int i = 0; i < 4; ++i) w.m[g][i] = Load<std::uint64_t>(data[g] + offset + 32 * b + 8 * i);
    HashStepsAvx512(*group[0]->m_sbox, n, w.h, w.m);
    for (std::size_t g = 0; g < n; ++g) AddTo(group[g]->m_sigma, w.m[g]);
  }
  for (std::size_t g = 0; g < n; ++g) {
    std::memcpy(group[g]->m_h, w.h[g], sizeof w.h[g]);
    group[g]->CountBytes(32 * count);
  }
  SecureWipe(&w, sizeof w);
#else
  for (std::size_t g = 0; g < n; ++g) group[g]->Update(data[g] + offset, 32 * count);
#endif
}

void Gost34311::UpdateTogether(Gost34311* const hashes[], const unsigned char* const data[], std::size_t count,
                               std::size_t size) {
  constexpr std::size_t kWidth = 4;
  for (std::size_t first = 0; first < count; first += kWidth) {
    const std::size_t n = count - first < kWidth ? count - first : kWidth;
    Gost34311* const* group = hashes + first;
    const unsigned char* const* input = data + first;
    bool together = n > 1;
    for (std::size_t g = 0; g < n; ++g) {
      together = together && group[g]->m_kernel == HashKernel::kAvx512 && group[g]->m_sbox == group[0]->m_sbox &&
                 group[g]->m_buffered == group[0]->m_buffered;
      for (std::size_t e = 0; e < g; ++e) together = together && group[e] != group[g];  // one state, one lane
    }
    if (!together) {
      for (std::size_t g = 0; g < n; ++g) group[g]->Update(input[g], size);
      continue;
    }
    // Each buffer filled to a block one by one, the whole blocks side by side, the
    // rest buffered.
    const std::size_t gap = (32 - group[0]->m_buffered) % 32;
    const std::size_t head = size < gap ? size : gap;
    const std::size_t whole = (size - head) / 32;
    for (std::size_t g = 0; g < n; ++g) group[g]->Update(input[g], head);
    if (whole > 0) BlocksTogether(group, input, head, n, whole);
    for (std::size_t g = 0; g < n; ++g) group[g]->Update(input[g] + head + 32 * whole, size - head - 32 * whole);
  }
}

void Gost34311::Final(unsigned char out[32]) {
  if (m_buffered > 0) {
    std::memset(m_buffer + m_buffered, 0, 32 - m_buffered);
    Blocks(m_buffer, 1);  // the zero-padded last block also enters the checksum
    m_buffered = 0;
  }
  // The length in bits as a 256-bit number, then the checksum.
  ScratchGuard guard;
  Scratch& w = *guard;
  std::uint64_t last[2][4] = {{m_bytes << 3, (m_bytesHigh << 3) | (m_bytes >> 61), m_bytesHigh >> 61, 0},
                              {m_sigma[0], m_sigma[1], m_sigma[2], m_sigma[3]}};
  WithKernel(m_kernel, *m_sbox, [&](const auto& f) {
    for (const auto& block : last) Step(f, w, m_h, block);
  });
  SecureWipe(last, sizeof last);
  for (int i = 0; i < 4; ++i) Store(out + 8 * i, m_h[i]);
}

}  // namespace gostcrypto::detail

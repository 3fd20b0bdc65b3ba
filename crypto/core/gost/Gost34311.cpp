#include "Gost34311.h"

#include <cstring>
#include <utility>

#include "Wipe.h"
#include "Gost28147.h"
#include "CpuPath.h"
#include "Gost34311Step.h"

namespace gostcrypto::detail {

using tavrpki::SecureWipe;
namespace {

using Block = std::uint64_t[4];  // a 256-bit value as four little-endian 64-bit words

inline std::uint64_t Load64(const unsigned char* p) {
  return static_cast<std::uint64_t>(Load32(p)) | static_cast<std::uint64_t>(Load32(p + 4)) << 32;
}

inline void Store64(unsigned char* p, std::uint64_t v) {
  Store32(p, static_cast<std::uint32_t>(v));
  Store32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

// A(y) = (y2, y3, y4, y1 xor y2) on 64-bit quarters.
inline void A(std::uint64_t y[4]) {
  const std::uint64_t y1 = y[0];
  y[0] = y[1];
  y[1] = y[2];
  y[2] = y[3];
  y[3] = y1 ^ y[0];
}

// P(y): output byte i + 4k = input byte 8i + k (i = 0..3, k = 0..7), returned as the
// eight key words of GOST 28147.
inline void P(const std::uint64_t w[4], std::uint32_t key[8]) {
  for (int k = 0; k < 8; ++k) {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) word |= static_cast<std::uint32_t>((w[i] >> (8 * k)) & 0xFF) << (8 * i);
    key[k] = word;
  }
}

template <int Map, int J, int... I>
inline std::uint16_t PsiRow(const std::uint16_t* w, std::integer_sequence<int, I...>) {
  return static_cast<std::uint16_t>(((kPsi.rows[Map][J] >> I & 1 ? w[I] : 0) ^ ...));
}

template <int... J>
inline void PsiAll(const std::uint16_t* h, const std::uint16_t* m, const std::uint16_t* s, std::uint16_t* out,
                   std::integer_sequence<int, J...>) {
  constexpr auto kInputs = std::make_integer_sequence<int, 16>{};
  ((out[J] = static_cast<std::uint16_t>(PsiRow<0, J>(h, kInputs) ^ PsiRow<1, J>(m, kInputs) ^
                                        PsiRow<2, J>(s, kInputs))),
   ...);
}

inline void ToWords(const std::uint64_t v[4], std::uint16_t w[16]) {
  for (int i = 0; i < 16; ++i) w[i] = static_cast<std::uint16_t>(v[i / 4] >> (16 * (i % 4)));
}

inline void FromWords(const std::uint16_t w[16], std::uint64_t v[4]) {
  for (int q = 0; q < 4; ++q)
    v[q] = static_cast<std::uint64_t>(w[4 * q]) | static_cast<std::uint64_t>(w[4 * q + 1]) << 16 |
           static_cast<std::uint64_t>(w[4 * q + 2]) << 32 | static_cast<std::uint64_t>(w[4 * q + 3]) << 48;
}

// One step: H = psi^61(H ^ psi(M ^ psi^12(S))), S the four encryptions of H's
// quarters under the keys derived from H and M.
template <typename Sub>
void Step(const Sub& f, std::uint64_t h[4], const std::uint64_t m[4]) {
  std::uint32_t keys[4][8];
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

  const std::uint32_t* keyPointers[4] = {keys[0], keys[1], keys[2], keys[3]};
  std::uint32_t n1[4], n2[4];
  for (int i = 0; i < 4; ++i) {
    n1[i] = static_cast<std::uint32_t>(h[i]);
    n2[i] = static_cast<std::uint32_t>(h[i] >> 32);
  }
  EncryptLanes<4>(f, keyPointers, n1, n2);

  std::uint64_t s[4];
  for (int i = 0; i < 4; ++i) s[i] = static_cast<std::uint64_t>(n1[i]) | static_cast<std::uint64_t>(n2[i]) << 32;
  std::uint16_t wh[16], wm[16], ws[16], out[16];
  ToWords(h, wh);
  ToWords(m, wm);
  ToWords(s, ws);
  PsiAll(wh, wm, ws, out, std::make_integer_sequence<int, 16>{});
  FromWords(out, h);

  SecureWipe(keys, sizeof keys);
  SecureWipe(u, sizeof u);
  SecureWipe(v, sizeof v);
  SecureWipe(w, sizeof w);
  SecureWipe(s, sizeof s);
  SecureWipe(wh, sizeof wh);
  SecureWipe(wm, sizeof wm);
  SecureWipe(ws, sizeof ws);
  SecureWipe(out, sizeof out);
  SecureWipe(n1, sizeof n1);
  SecureWipe(n2, sizeof n2);
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

}  // namespace

Gost34311::Gost34311(const SBox& sbox, const unsigned char* start, bool constantTime)
    : m_sbox(&sbox),
      m_constantTime(constantTime),
      m_vector(ActiveCpuPath() == CpuPath::kAvx512),
      m_h{},
      m_sigma{},
      m_buffer{} {
  if (start != nullptr)
    for (int i = 0; i < 4; ++i) m_h[i] = Load64(start + 8 * i);
}

Gost34311::~Gost34311() {
  SecureWipe(m_h, sizeof m_h);
  SecureWipe(m_sigma, sizeof m_sigma);
  SecureWipe(m_buffer, sizeof m_buffer);
}

void Gost34311::Blocks(const unsigned char* data, std::size_t count) {
  std::uint64_t m[4];
#if defined(TAVRPKI_HAVE_AVX512_KERNELS)
  if (m_vector) {
    for (std::size_t b = 0; b < count; ++b, data += 32) {
      for (int i = 0; i < 4; ++i) m[i] = Load64(data + 8 * i);
      HashStepAvx512(*m_sbox, m_h, m);
      AddTo(m_sigma, m);
    }
    SecureWipe(m, sizeof m);
    return;
  }
#endif
  if (m_constantTime) {
    const ShiftSub f{*m_sbox};
    for (std::size_t b = 0; b < count; ++b, data += 32) {
      for (int i = 0; i < 4; ++i) m[i] = Load64(data + 8 * i);
      Step(f, m_h, m);
      AddTo(m_sigma, m);
    }
  } else {
    const TableSub f{*m_sbox};
    for (std::size_t b = 0; b < count; ++b, data += 32) {
      for (int i = 0; i < 4; ++i) m[i] = Load64(data + 8 * i);
      Step(f, m_h, m);
      AddTo(m_sigma, m);
    }
  }
  SecureWipe(m, sizeof m);
}

void Gost34311::Update(const unsigned char* data, std::size_t size) {
  const std::uint64_t before = m_bytes;
  m_bytes += size;
  m_bytesHigh += m_bytes < before;
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

void Gost34311::Final(unsigned char out[32]) {
  if (m_buffered > 0) {
    std::memset(m_buffer + m_buffered, 0, 32 - m_buffered);
    Blocks(m_buffer, 1);  // the zero-padded last block also enters the checksum
    m_buffered = 0;
  }
  // The length in bits as a 256-bit number.
  const std::uint64_t length[4] = {m_bytes << 3, (m_bytesHigh << 3) | (m_bytes >> 61), m_bytesHigh >> 61, 0};
  std::uint64_t sigma[4];
  std::memcpy(sigma, m_sigma, sizeof sigma);
  if (m_vector) {
#if defined(TAVRPKI_HAVE_AVX512_KERNELS)
    HashStepAvx512(*m_sbox, m_h, length);
    HashStepAvx512(*m_sbox, m_h, sigma);
#endif
  } else if (m_constantTime) {
    Step(ShiftSub{*m_sbox}, m_h, length);
    Step(ShiftSub{*m_sbox}, m_h, sigma);
  } else {
    Step(TableSub{*m_sbox}, m_h, length);
    Step(TableSub{*m_sbox}, m_h, sigma);
  }
  for (int i = 0; i < 4; ++i) Store64(out + 8 * i, m_h[i]);
  SecureWipe(sigma, sizeof sigma);
}

}  // namespace gostcrypto::detail

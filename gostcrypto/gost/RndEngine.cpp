#include "gostcrypto/RndEngine.h"

#include <cstdint>
#include <cstring>

#include "gostcrypto/Wipe.h"
#include "Bulk.h"
#include "Gost28147.h"
#include "Gost34311.h"
#include "gostcrypto/CryptoException.h"

namespace gostcrypto {

namespace {

constexpr std::size_t kKeyBlocks = RndEngine::kKeySize / 8;
constexpr std::size_t kOutputBlocks = 32;  // bytes handed out per refill: 256
constexpr std::size_t kFoldSize = 32;      // seed material is folded to this many bytes

// The generator's gamma must not leak through the cache: constant-time kernels only.
// The vector paths' counter mode and ECB are; the portable path's are tables.
const detail::BulkOps& GeneratorOps() {
  const CipherPath path = ActiveCipherPath();
  return path == CipherPath::kPortable ? detail::PortableConstantTimeOps() : detail::OpsFor(path);
}

// folded[i % 32] ^= entropy[i] for every i, a word at a time: this runs on every
// reseed, and byte by byte it cost as much as the rest of the set-up.
void Fold(const unsigned char* entropy, std::size_t size, unsigned char (&folded)[kFoldSize]) {
  std::uint64_t words[kFoldSize / 8] = {};
  std::size_t i = 0;
  for (; i + kFoldSize <= size; i += kFoldSize)
    for (std::size_t w = 0; w < kFoldSize / 8; ++w) {
      std::uint64_t word;
      std::memcpy(&word, entropy + i + 8 * w, 8);
      words[w] ^= word;
    }
  std::memcpy(folded, words, kFoldSize);  // the byte order of memory both ways
  for (; i < size; ++i) folded[i % kFoldSize] ^= entropy[i];
  tavrpki::SecureWipe(words, sizeof words);
}

}  // namespace

struct RndEngine::State {
  std::shared_ptr<const detail::SBox> sbox;  // public, shared; everything below is wiped
  std::uint32_t key[8];
  std::uint32_t n3, n4;
  unsigned char buffer[8 * kOutputBlocks];
  std::size_t position;  // next unread byte of buffer; sizeof buffer = empty
  const detail::BulkOps* ops;

  ~State() {
    tavrpki::SecureWipe(key, sizeof key);
    tavrpki::SecureWipe(buffer, sizeof buffer);
    tavrpki::SecureWipeObject(n3);
    tavrpki::SecureWipeObject(n4);
  }

  void Start(const unsigned char* table, const unsigned char* keyBytes, const unsigned char* extra,
             const unsigned char* seed) {
    Start(detail::SharedSBox(table), keyBytes, extra, seed);
  }

  void Start(std::shared_ptr<const detail::SBox> table, const unsigned char* keyBytes, const unsigned char* extra,
             const unsigned char* seed) {
    sbox = std::move(table);
    detail::LoadKey(keyBytes, key);
    if (extra != nullptr)
      for (int i = 0; i < 8; ++i) key[i] ^= detail::Load32(extra + 4 * i);
    // The counter starts from the encrypted seed, as in the cipher's gamma mode
    // (constant-time kernels: the key is secret).
    ops = &GeneratorOps();
    unsigned char start[8];
    ops->ecbEncrypt(*sbox, key, seed, start, 1);
    n3 = detail::Load32(start);
    n4 = detail::Load32(start + 4);
    tavrpki::SecureWipe(start, sizeof start);
    position = sizeof buffer;
  }
};


RndEngine::RndEngine(const unsigned char* sbox, const unsigned char* key, const unsigned char* seed,
                     const unsigned char* extra) {
  if (key == nullptr || seed == nullptr) throw CryptoException(kMissingInput);
  m_state = std::make_unique<State>();
  m_state->Start(sbox, key, extra, seed);
}

RndEngine::RndEngine(const unsigned char* entropy, unsigned long entropyLength, const unsigned char* hashSBox,
                     const unsigned char* hashStart, const unsigned char* seed, const unsigned char* sbox) {
  if (entropy == nullptr || seed == nullptr || entropyLength < kKeySize) throw CryptoException(kMissingInput);
  unsigned char folded[kFoldSize] = {};
  tavrpki::WipeOnExit wipeFolded(folded, sizeof folded);
  Fold(entropy, entropyLength, folded);

  const auto table = detail::SharedSBox(hashSBox);
  unsigned char key[kKeySize];
  tavrpki::WipeOnExit wipeKey(key, sizeof key);
  {
    detail::Gost34311 hash(*table, hashStart, true);
    hash.Update(folded, sizeof folded);
    hash.Update(seed, kSeedSize);
    hash.Final(key);
  }
  m_state = std::make_unique<State>();
  m_state->Start(sbox, key, nullptr, seed);
}

void RndEngine::Mix(const unsigned char* entropy, unsigned long entropyLength, const unsigned char* seed) {
  if (entropy == nullptr || seed == nullptr || entropyLength < kKeySize) throw CryptoException(kMissingInput);
  unsigned char folded[kFoldSize] = {};
  tavrpki::WipeOnExit wipeFolded(folded, sizeof folded);
  Fold(entropy, entropyLength, folded);
  // Built aside and swapped in: nothing below the draw can fail half-way.
  auto next = std::make_unique<State>();
  unsigned char carry[kKeySize];
  tavrpki::WipeOnExit wipeCarry(carry, sizeof carry);
  unsigned char key[kKeySize];
  tavrpki::WipeOnExit wipeKey(key, sizeof key);
  {
    RndEngine current(*this);
    current.Generate(carry, sizeof carry);
    detail::Gost34311 hash(*m_state->sbox, nullptr, true);
    hash.Update(carry, sizeof carry);
    hash.Update(folded, sizeof folded);
    hash.Update(seed, kSeedSize);
    hash.Final(key);
  }
  next->Start(m_state->sbox, key, nullptr, seed);
  m_state.swap(next);
}

RndEngine::RndEngine(const RndEngine& other) : m_state(std::make_unique<State>(*other.m_state)) {}

RndEngine& RndEngine::operator=(const RndEngine& other) {
  if (this != &other) m_state = std::make_unique<State>(*other.m_state);
  return *this;
}

RndEngine::~RndEngine() = default;

// Draws the next key and 256 output bytes from the gamma; the old key is gone after.
void RndEngine::Refill() {
  State& s = *m_state;
  unsigned char gamma[8 * (kKeyBlocks + kOutputBlocks)] = {};
  s.ops->ctr(*s.sbox, s.key, s.n3, s.n4, gamma, gamma, kKeyBlocks + kOutputBlocks);
  detail::LoadKey(gamma, s.key);
  std::memcpy(s.buffer, gamma + kKeySize, sizeof s.buffer);
  s.position = 0;
  tavrpki::SecureWipe(gamma, sizeof gamma);
}

unsigned char RndEngine::GenerateByte() {
  if (m_state->position == sizeof m_state->buffer) Refill();
  const unsigned char byte = m_state->buffer[m_state->position];
  m_state->buffer[m_state->position++] = 0;
  return byte;
}

void RndEngine::Generate(unsigned char* out, std::size_t size) {
  State& s = *m_state;
  while (size > 0) {
    if (s.position == sizeof s.buffer) Refill();
    const std::size_t take = size < sizeof s.buffer - s.position ? size : sizeof s.buffer - s.position;
    std::memcpy(out, s.buffer + s.position, take);
    tavrpki::SecureWipe(s.buffer + s.position, take);
    s.position += take;
    out += take;
    size -= take;
  }
}

}  // namespace gostcrypto

#include "gostcrypto/HashEngine.h"

#include "Gost34311.h"
#include "SBox.h"
#include "gostcrypto/CryptoException.h"

namespace gostcrypto {

// The running state (Gost34311) wipes itself; the table is public and shared.
struct HashEngine::State {
  std::shared_ptr<const detail::SBox> sbox;
  detail::Gost34311 hash;
  bool finished = false;

  State(const unsigned char* table, const unsigned char* start, bool secretInput)
      : sbox(detail::SharedSBox(table)), hash(*sbox, start, secretInput) {}
};

HashEngine::HashEngine(const unsigned char* sbox, const unsigned char* second, Input input)
    : m_state(std::make_unique<State>(sbox, second, input == Input::kSecret)) {}

HashEngine::HashEngine(const HashEngine& other) : m_state(std::make_unique<State>(*other.m_state)) {}

HashEngine& HashEngine::operator=(const HashEngine& other) {
  if (this != &other) m_state = std::make_unique<State>(*other.m_state);
  return *this;
}

HashEngine::~HashEngine() = default;

void HashEngine::CalculateHash(const unsigned char* data, unsigned long length) {
  if (m_state->finished) throw CryptoException(kFinished);
  if (length == 0) return;
  m_state->hash.Update(data, length);
}

void HashEngine::CalculateHashes(HashEngine* const engines[], const unsigned char* const data[], std::size_t count,
                                 unsigned long length) {
  for (std::size_t i = 0; i < count; ++i)
    if (engines[i]->m_state->finished) throw CryptoException(kFinished);
  if (length == 0) return;
  constexpr std::size_t kBatch = 16;
  detail::Gost34311* hashes[kBatch];
  for (std::size_t first = 0; first < count; first += kBatch) {
    const std::size_t n = count - first < kBatch ? count - first : kBatch;
    for (std::size_t i = 0; i < n; ++i) hashes[i] = &engines[first + i]->m_state->hash;
    detail::Gost34311::UpdateTogether(hashes, data + first, n, length);
  }
}

void HashEngine::Done(unsigned char* out) {
  if (m_state->finished) throw CryptoException(kFinished);
  m_state->finished = true;
  m_state->hash.Final(out);
}

}  // namespace gostcrypto

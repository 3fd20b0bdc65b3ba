#include "gostcrypto/HashEngine.h"

#include "Wipe.h"
#include "Gost34311.h"
#include "SBox.h"
#include "gostcrypto/CryptoException.h"

namespace gostcrypto {

struct HashEngine::State {
  detail::SBox sbox;
  detail::Gost34311 hash;
  bool finished = false;

  State(const unsigned char* table, const unsigned char* start) : sbox{}, hash(sbox, start, false) {
    detail::ExpandSBox(table, sbox);
  }
  State(const State& other) : sbox(other.sbox), hash(other.hash), finished(other.finished) { hash.Rebind(sbox); }
  ~State() { SecureWipeState(); }
  void SecureWipeState() { tavrpki::SecureWipe(&sbox, sizeof sbox); }
};

HashEngine::HashEngine(const unsigned char* sbox, const unsigned char* second)
    : m_state(std::make_unique<State>(sbox, second)) {}

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

void HashEngine::Done(unsigned char* out) {
  if (m_state->finished) throw CryptoException(kFinished);
  m_state->finished = true;
  m_state->hash.Final(out);
}

}  // namespace gostcrypto

#include "gostcrypto/SCryptoEngine.h"

#include <cstring>

#include "gostcrypto/Wipe.h"
#include "Bulk.h"
#include "Gost28147.h"
#include "gostcrypto/CryptoException.h"

namespace gostcrypto {

using detail::Load32;
using detail::Store32;

struct SCryptoEngine::State {
  std::shared_ptr<const detail::SBox> sbox;  // public, shared; everything below is wiped
  std::uint32_t key[8];
  int mode;
  bool encrypt;
  const detail::BulkOps* ops;
  std::uint32_t n3 = 0, n4 = 0;  // gamma counter
  unsigned char feedback[8];     // CFB: the last ciphertext block
  std::uint32_t mac1 = 0, mac2 = 0;
  std::uint64_t macBlocks = 0;

  ~State() {
    tavrpki::SecureWipe(key, sizeof key);
    tavrpki::SecureWipe(feedback, sizeof feedback);
    tavrpki::SecureWipeObject(n3);
    tavrpki::SecureWipeObject(n4);
    tavrpki::SecureWipeObject(mac1);
    tavrpki::SecureWipeObject(mac2);
  }
};

SCryptoEngine::SCryptoEngine(const unsigned char* sbox, bool encrypt, int mode, const unsigned char* key,
                             const unsigned char* iv) {
  if (key == nullptr || mode < kSimpleReplacement || mode > kImitovstavka) throw CryptoException(kBadArgument);
  m_state = std::make_unique<State>();
  State& s = *m_state;
  s.sbox = detail::SharedSBox(sbox);
  detail::LoadKey(key, s.key);
  s.mode = mode;
  s.encrypt = encrypt;
  s.ops = &detail::OpsFor(ActiveCipherPath());
  unsigned char sync[8] = {};
  if (iv != nullptr) std::memcpy(sync, iv, 8);
  if (mode == kGamming) {
    // The counter starts from the encrypted synchronisation vector.
    std::uint32_t a = Load32(sync), b = Load32(sync + 4);
    detail::EncryptBlock(detail::ShiftSub{*s.sbox}, s.key, a, b);
    s.n3 = a;
    s.n4 = b;
  }
  std::memcpy(s.feedback, sync, 8);
  tavrpki::SecureWipe(sync, sizeof sync);
}

SCryptoEngine::SCryptoEngine(const SCryptoEngine& other) : m_state(std::make_unique<State>(*other.m_state)) {}

SCryptoEngine& SCryptoEngine::operator=(const SCryptoEngine& other) {
  if (this != &other) m_state = std::make_unique<State>(*other.m_state);
  return *this;
}

SCryptoEngine::~SCryptoEngine() = default;

void SCryptoEngine::makeTransform(const unsigned char* in, unsigned char* out, unsigned long blocks) {
  if (blocks == 0) return;
  State& s = *m_state;
  switch (s.mode) {
    case kSimpleReplacement:
      (s.encrypt ? s.ops->ecbEncrypt : s.ops->ecbDecrypt)(*s.sbox, s.key, in, out, blocks);
      break;
    case kGamming:
      s.ops->ctr(*s.sbox, s.key, s.n3, s.n4, in, out, blocks);
      break;
    case kGammingFeedback:
      (s.encrypt ? s.ops->cfbEncrypt : s.ops->cfbDecrypt)(*s.sbox, s.key, s.feedback, in, out, blocks);
      break;
    case kImitovstavka: {
      const detail::ShiftSub f{*s.sbox};
      for (unsigned long i = 0; i < blocks; ++i) {
        s.mac1 ^= Load32(in + 8 * i);
        s.mac2 ^= Load32(in + 8 * i + 4);
        detail::MacRounds(f, s.key, s.mac1, s.mac2);
      }
      s.macBlocks += blocks;
      if (out != nullptr && out != in) std::memmove(out, in, 8 * blocks);
      break;
    }
  }
}

void SCryptoEngine::EncryptFeedbackTogether(const unsigned char* sbox, const unsigned char* key,
                                            unsigned char* const data[], unsigned char* const feedback[],
                                            std::size_t count, unsigned long blocks) {
  if (key == nullptr) throw CryptoException(kBadArgument);
  if (count == 0 || blocks == 0) return;
  const std::shared_ptr<const detail::SBox> table = detail::SharedSBox(sbox);
  std::uint32_t words[8];
  detail::LoadKey(key, words);
#if defined(TAVRPKI_HAVE_AVX512_KERNELS)
  if (ActiveCipherPath() == CipherPath::kAvx512) {
    constexpr std::size_t kLanes = 16;
    for (std::size_t first = 0; first < count; first += kLanes)
      detail::CfbEncryptLanesAvx512(*table, words, data + first, feedback + first,
                                    count - first < kLanes ? count - first : kLanes, blocks);
    tavrpki::SecureWipe(words, sizeof words);
    return;
  }
#endif
  const detail::BulkOps& ops = detail::OpsFor(ActiveCipherPath());
  for (std::size_t i = 0; i < count; ++i) ops.cfbEncrypt(*table, words, feedback[i], data[i], data[i], blocks);
  tavrpki::SecureWipe(words, sizeof words);
}

void SCryptoEngine::GetMac(unsigned char* out) const {
  if (m_state->mode != kImitovstavka || out == nullptr) throw CryptoException(kBadArgument);
  Store32(out, m_state->mac1);
}

}  // namespace gostcrypto

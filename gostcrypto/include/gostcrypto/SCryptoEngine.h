// GOST 28147-89: the 64-bit block cipher with a 256-bit key and a 128-byte
// substitution table, in the modes of the standard.
//
// The engine keeps its chaining state between makeTransform calls, so a message may
// be fed in pieces of whole blocks. Key, expanded tables and chaining state are wiped
// when the engine dies.
#pragma once

#include <cstddef>
#include <memory>

namespace gostcrypto {

enum CryptMode : int {
  kSimpleReplacement = 0,  // ECB
  kGamming = 1,            // counter-mode gamma (C1 = 0x01010104, C2 = 0x01010101)
  kGammingFeedback = 2,    // gamma with feedback (CFB-64)
  kImitovstavka = 3,       // the MAC mode: 16 rounds per block, 4-byte value via GetMac
};

class SCryptoEngine {
 public:
  static constexpr std::size_t kBlockSize = 8;
  static constexpr std::size_t kKeySize = 32;
  static constexpr std::size_t kSBoxSize = 128;
  static constexpr std::size_t kMacSize = 4;

  // sbox: 128 bytes, row r substitutes the r-th four-bit group (null: default table,
  // DKE No. 1). encrypt: direction (ignored by the gamma modes and the MAC, whose
  // two directions are the same transform for the gamma modes apart from CFB).
  // key: 32 bytes, required. iv: 8-byte synchronisation vector; null means all zero.
  // All inputs are copied. A null key or an unknown mode throws CryptoException(kBadArgument).
  SCryptoEngine(const unsigned char* sbox, bool encrypt, int mode, const unsigned char* key,
                const unsigned char* iv);
  SCryptoEngine(const SCryptoEngine& other);
  SCryptoEngine& operator=(const SCryptoEngine& other);
  ~SCryptoEngine();

  // Transforms blocks x 8 bytes from in to out (they may be the same buffer, not
  // otherwise overlapping), continuing the chaining state. In the MAC mode the
  // blocks are absorbed and out may be null (when given, it receives a copy of in).
  void makeTransform(const unsigned char* in, unsigned char* out, unsigned long blocks);

  // Gamma with feedback, encryption, of `count` independent messages of `blocks`
  // blocks each under one key, in place: data[i] is message i, feedback[i] its
  // 8-byte synchronisation vector, which receives the last ciphertext block (an
  // engine built with it as iv continues the message). The same bytes as one engine
  // per message. On AVX-512 the messages run sixteen at a time as the lanes of the
  // constant-time kernel, the cost of about one; elsewhere one after another on
  // the engines' CFB encryption. sbox and key as for the constructor.
  static void EncryptFeedbackTogether(const unsigned char* sbox, const unsigned char* key, unsigned char* const data[],
                                      unsigned char* const feedback[], std::size_t count, unsigned long blocks);

  // The 4-byte MAC of all blocks absorbed so far (MAC mode only, else kBadArgument).
  // A message of one block is not extended by a zero block.
  void GetMac(unsigned char* out) const;

  static constexpr int kBadArgument = 1;

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace gostcrypto

// The deterministic random generator of the core, built on GOST 28147-89.
//
// Output is GOST 28147-89 counter-mode gamma under a 256-bit generator key and the
// caller's random substitution table. Every refill of the output buffer first draws
// a fresh generator key from the gamma and only then hands out bytes, so the state
// held after a draw cannot reproduce what was drawn before it (fast key erasure).
// The substitutions run in constant time: this state makes signature nonces.
//
// Copying a generator duplicates its whole state: the copy and the original then
// produce the same sequence. All state is wiped when the object dies.
// One object must be used by one thread at a time; the kernel locks around it.
#pragma once

#include <cstddef>
#include <memory>

namespace gostcrypto {

class RndEngine {
 public:
  static constexpr std::size_t kSBoxSize = 128;     // 8 rows x 16 four-bit entries, one per byte
  static constexpr std::size_t kKeySize = 32;
  static constexpr std::size_t kSeedSize = 8;
  static constexpr std::size_t kEntropySize = 1024;
  static constexpr std::size_t kExtraSize = 32;

  // The generator from caller-supplied material only (known-answer tests, replay):
  //   sbox   128-byte random substitution table; null selects the default table
  //          (DKE No. 1);
  //   key    32-byte generator key, required;
  //   seed   8-byte synchronisation seed of the counter-mode gamma, required;
  //   extra  optional 32 bytes XORed into the key; null adds nothing.
  // A null key or seed throws CryptoException(kMissingInput).
  RndEngine(const unsigned char* sbox, const unsigned char* key, const unsigned char* seed,
            const unsigned char* extra);

  // The generator seeded from collected entropy (see EntropyCollect.h):
  //   entropy       entropyLength bytes, at least 32 and normally 1024;
  //   hashSBox      128-byte table of the GOST 34.311-95 hash that condenses the
  //                 entropy (null: default table);
  //   hashStart     optional 32-byte starting value of that hash (null: zero);
  //   seed          8 bytes (the time of seeding), mixed into the key and used as the
  //                 synchronisation seed, required;
  //   sbox          128-byte random substitution table of the gamma (null: default).
  // The key is the constant-time hash of (entropy folded to 32 bytes by XOR, then seed). A null
  // entropy or seed, or fewer than 32 entropy bytes, throws CryptoException(kMissingInput).
  RndEngine(const unsigned char* entropy, unsigned long entropyLength, const unsigned char* hashSBox,
            const unsigned char* hashStart, const unsigned char* seed, const unsigned char* sbox);

  RndEngine(const RndEngine& other);
  RndEngine& operator=(const RndEngine& other);
  ~RndEngine();

  // The next byte of the sequence.
  unsigned char GenerateByte();

  // Fills size bytes; the same bytes GenerateByte would return one by one.
  void Generate(unsigned char* out, std::size_t size);

  // Mixes fresh material into the state: the new key is the constant-time hash of
  // (the next 32 bytes of this generator, the entropy folded to 32 bytes, seed),
  // and the gamma restarts from the encrypted seed; the substitution table stays.
  // Two copies of one generator mixed with different entropy part for good, and
  // the result is never weaker than the state before. Same input rules as the
  // entropy constructor (kMissingInput); a failure leaves the state unchanged.
  void Mix(const unsigned char* entropy, unsigned long entropyLength, const unsigned char* seed);

  // CryptoException code for a required input that was null or too short.
  static constexpr int kMissingInput = 1;

 private:
  struct State;
  void Refill();

  std::unique_ptr<State> m_state;
};

}  // namespace gostcrypto

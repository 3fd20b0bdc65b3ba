// GOST 34.311-95: the 256-bit hash over GOST 28147-89.
//
// The hash runs with the caller's 128-byte substitution table and an optional
// 32-byte starting value; feeding the data in pieces of any size gives the same
// value as one call with all of it. Copying an engine copies its running state.
// Intermediate state is wiped when the engine dies.
//
// Hashing a secret (a password, a shared point, seed material) must say so: the
// default form looks its substitutions up in tables indexed by the running state,
// the fastest form but readable through a shared cache; Input::kSecret selects a
// constant-time form (docs/side-channels.md).
#pragma once

#include <cstddef>
#include <memory>

namespace gostcrypto {

class HashEngine {
 public:
  static constexpr std::size_t kHashSize = 32;
  static constexpr std::size_t kSBoxSize = 128;

  enum class Input { kPublic, kSecret };

  // sbox: 128 bytes, 8 rows of 16 four-bit entries, one entry per byte (row r
  // substitutes the r-th four-bit group from the least significant); null selects
  // the default table (DKE No. 1). second: optional 32-byte starting hash value
  // (null: zero). Both are copied; neither needs to outlive the engine. A copy
  // keeps the input kind.
  HashEngine(const unsigned char* sbox, const unsigned char* second, Input input = Input::kPublic);
  HashEngine(const HashEngine& other);
  HashEngine& operator=(const HashEngine& other);
  ~HashEngine();

  // Absorbs length bytes; repeatable. A null data with length 0 is allowed.
  void CalculateHash(const unsigned char* data, unsigned long length);

  // CalculateHash(data[i], length) on engines[i] for every i < count: several
  // independent messages of equal length at once. On AVX-512, secret-input engines
  // with one table hash four at a time in the constant-time kernel for about the
  // cost of one; elsewhere (or for an engine listed twice) they are hashed one
  // after another, in order. A finished engine among them throws
  // CryptoException(kFinished) before any is changed.
  static void CalculateHashes(HashEngine* const engines[], const unsigned char* const data[], std::size_t count,
                              unsigned long length);

  // Writes the 32-byte hash to out. The engine is finished afterwards: further use
  // throws CryptoException(kFinished).
  void Done(unsigned char* out);

  static constexpr int kFinished = 3;

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace gostcrypto

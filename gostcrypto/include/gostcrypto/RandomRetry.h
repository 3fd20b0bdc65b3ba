// The retry of a rejected random value, for every caller of the DSTU 4145 engine.
//
// The engine refuses a random value it cannot use (zero, or not below the order of
// the base point) with CryptoException(kBadRandom); the caller then draws another.
// For a sound generator a refusal has probability below 2^-150 on the named
// curves, so a long run of them means the generator is broken: after
// `maxAttempts` refused draws the last refusal is thrown to the caller instead of
// looping for ever.
#pragma once

#include <utility>

#include "gostcrypto/CryptoException.h"

namespace gostcrypto {

inline constexpr int kMaxRandomAttempts = 100;

// Returns attempt(draw()) for the first drawn value the engine accepts. Every
// other exception (of `draw` or `attempt`) passes at once.
template <class Draw, class Attempt>
decltype(auto) WithRandomRetry(Draw&& draw, Attempt&& attempt, int maxAttempts = kMaxRandomAttempts) {
  for (int refused = 1;; ++refused) {
    try {
      return attempt(draw());
    } catch (const CryptoException& error) {
      if (error.GetCode() != CryptoException::kBadRandom || refused >= maxAttempts) throw;
    }
  }
}

}  // namespace gostcrypto

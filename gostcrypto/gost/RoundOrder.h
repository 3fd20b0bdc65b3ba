// The order in which GOST 28147-89 takes its eight key words over the 32 rounds,
// for the vector kernels (BulkAvx2.cpp, Avx512Round.h). The scalar lanes in
// Gost28147.h keep their loops written out: the hash's speed rests on them.
#pragma once

namespace gostcrypto::detail {

// pair(a, b) runs a round with key word a, then one with key word b. Encryption
// takes K0..K7 three times, then K7..K0; decryption the reverse. The last round
// does not swap the halves: callers swap once after the sixteen pairs.
template <bool Decrypt, typename Pair>
inline void ForEachRoundPair(Pair&& pair) {
  if constexpr (!Decrypt) {
    for (int rep = 0; rep < 3; ++rep)
      for (int j = 0; j < 8; j += 2) pair(j, j + 1);
    for (int j = 7; j > 0; j -= 2) pair(j, j - 1);
  } else {
    for (int j = 0; j < 8; j += 2) pair(j, j + 1);
    for (int rep = 0; rep < 3; ++rep)
      for (int j = 7; j > 0; j -= 2) pair(j, j - 1);
  }
}

}  // namespace gostcrypto::detail

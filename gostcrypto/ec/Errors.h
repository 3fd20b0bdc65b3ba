// Codes of the CryptoException the DSTU 4145 engine throws. Code 2 tells the
// caller to draw another random value; every other code is a hard failure.
#pragma once

#include "gostcrypto/CryptoException.h"

namespace gostcrypto::ec {

inline constexpr int kBadRandom = CryptoException::kBadRandom;  // 2: draw another random value
inline constexpr int kBadCurve = 0x10;       // the curve fields do not describe a usable curve
inline constexpr int kBadKey = 0x11;         // private key out of range, public key not a curve point
inline constexpr int kBadArgument = 0x12;    // a value too long or not an element of the field
inline constexpr int kBadCiphertext = 0x13;  // a ciphertext piece that no encryption produced

[[noreturn]] inline void Fail(int code) { throw CryptoException(code); }

}  // namespace gostcrypto::ec

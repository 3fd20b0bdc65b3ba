// The key stream that masks a piece of plaintext in CryptoEngine::Encrypt:
// block i (i = 1, 2, ...) is GOST 34.311-95 with DKE No. 1 over
// x(S) || R || i, with x(S) the stored x of the shared point, R the compressed
// ephemeral point (each ceil(m/8) bytes) and i as 4 bytes little-endian.
// docs/dstu-encryption.md has the whole format.
#pragma once

#include "ec/Curve.h"

namespace gostcrypto::ec {

// Fills out with the key stream.
void KeyStream(Bytes sharedX, Bytes rCompressed, MutableBytes out);

}  // namespace gostcrypto::ec

// The DSTU 4145-2002 operations of the kernel on internal key objects: signing,
// verification, asymmetric encryption and decryption, and key-pair generation.
//
// Each call builds a core engine for the key's own parameter set, so calls share
// nothing and may run on any number of threads. Random values come from the
// caller's source, 128 bytes per attempt; an attempt the core rejects as an
// unusable random value (code 2) is retried with a fresh draw, up to
// gostcrypto::kMaxRandomAttempts times (gostcrypto/RandomRetry.h; then 40012).
// Other core failures become 40003 with the core's code. A key of
// the wrong usage is refused with 40006 before any work.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "asn1/Blob.h"
#include "crypto/objects/CKeyPair.h"

namespace tavrpki::dstu {

inline constexpr std::size_t kHashSize = 32;
inline constexpr std::size_t kRandomDrawSize = 128;

// Fills the span with random bytes (the kernel's generator). May throw (40013).
using RandomSource = std::function<void(std::span<std::uint8_t>)>;

// The signature bytes of a 32-byte hash: the core's value, r then s, in its byte
// order. `pair` must have usage 0.
Blob Sign(const CKeyPair& pair, std::span<const std::uint8_t, kHashSize> hash,
          const RandomSource& random);

// True when `signature` is valid for the hash under the public key of `pair`
// (usage 0). A signature of the wrong size is simply invalid.
bool Verify(const CKeyPair& pair, std::span<const std::uint8_t, kHashSize> hash,
            ByteView signature);

// Verify against several hashes at the cost of one check: the index of the first
// hash `signature` is valid for, or -1.
int VerifyAny(const CKeyPair& pair, std::span<const std::array<std::uint8_t, kHashSize>> hashes,
              ByteView signature);

// `data` encrypted for the public key of `pair` (usage 1), m bits per piece (bit i
// of the data is bit i % 8 of byte i / 8); each piece becomes as many bits as the
// core answers, packed the same way.
Blob Encrypt(const CKeyPair& pair, ByteView data, const RandomSource& random);

// The inverse of `Encrypt` with the private key of `pair` (usage 1): pieces of
// 16 ceil(m/8) bits, each giving m bits.
Blob Decrypt(const CKeyPair& pair, ByteView data);

// A new key pair on `params` for `usage` (0 signing, 1 encryption), checked with
// the core's private-key (40004) and public-key (40005) checks.
CKeyPair GenerateKeyPair(const CAsymmetric4145Params& params, std::uint32_t usage,
                         const RandomSource& random);

// The compressed form of the public key of `pair` on its curve: m bits, ceil(m/8)
// bytes least significant first, as certificates carry it. A point not on the
// curve: 40003.
Blob CompressPublicKey(const CKeyPair& pair);

}  // namespace tavrpki::dstu
